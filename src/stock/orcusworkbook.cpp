#include "stock/workbookformats.h"

#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/import_interface.hpp>

#include <cctype>
#include <memory>
#include <stdexcept>
#include <string_view>

namespace workbook {

namespace {

namespace iface = orcus::spreadsheet::iface;
using orcus::spreadsheet::col_t;
using orcus::spreadsheet::row_t;

QString fromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// The workbook's strings; cells refer to them by index. Formatting of text runs is dropped.
class SharedStrings : public iface::import_shared_strings {
public:
    const QString &at(size_t index) const
    {
        static const QString none;
        return index < m_strings.size() ? m_strings[index] : none;
    }
    size_t append(std::string_view s) override
    {
        m_strings.push_back(fromUtf8(s));
        return m_strings.size() - 1;
    }
    // A string that is already held may be added again: cells only need an index that gives it.
    size_t add(std::string_view s) override { return append(s); }
    void set_segment_font(size_t) override {}
    void set_segment_bold(bool) override {}
    void set_segment_italic(bool) override {}
    void set_segment_font_name(std::string_view) override {}
    void set_segment_font_size(double) override {}
    void set_segment_font_color(orcus::spreadsheet::color_elem_t, orcus::spreadsheet::color_elem_t,
                                orcus::spreadsheet::color_elem_t, orcus::spreadsheet::color_elem_t) override
    {
    }
    void append_segment(std::string_view s) override { m_segments += fromUtf8(s); }
    size_t commit_segments() override
    {
        m_strings.push_back(std::move(m_segments));
        m_segments.clear();
        return m_strings.size() - 1;
    }

private:
    std::vector<QString> m_strings;
    QString m_segments;
};

// Cell addresses in the A1 notation of Office Open XML ("B12", "$B$12", "A1:Q100").
class A1References : public iface::import_reference_resolver {
public:
    orcus::spreadsheet::src_address_t resolve_address(std::string_view address) override
    {
        orcus::spreadsheet::src_address_t at{0, 0, 0};
        size_t i = 0;
        auto skipDollar = [&] {
            if (i < address.size() && address[i] == '$')
                ++i;
        };
        skipDollar();
        int column = 0, row = 0;
        size_t letters = 0, digits = 0;
        for (; i < address.size() && std::isalpha(static_cast<unsigned char>(address[i])); ++i, ++letters)
            column = column * 26 + (std::toupper(static_cast<unsigned char>(address[i])) - 'A' + 1);
        skipDollar();
        for (; i < address.size() && std::isdigit(static_cast<unsigned char>(address[i])); ++i, ++digits)
            row = row * 10 + (address[i] - '0');
        if (!letters || !digits || i != address.size() || letters > 3 || digits > 7)
            throw std::runtime_error("invalid cell address " + std::string(address));
        at.column = column - 1;
        at.row = row - 1;
        return at;
    }
    orcus::spreadsheet::src_range_t resolve_range(std::string_view range) override
    {
        const size_t colon = range.find(':');
        const auto first = resolve_address(range.substr(0, colon));
        return {first, colon == std::string_view::npos ? first : resolve_address(range.substr(colon + 1))};
    }
};

class GlobalSettings : public iface::import_global_settings {
public:
    explicit GlobalSettings(Worksheet &sheet) : m_sheet(sheet) {}
    void set_origin_date(int year, int month, int day) override { m_sheet.dateOrigin = QDate(year, month, day); }
    void set_default_formula_grammar(orcus::spreadsheet::formula_grammar_t grammar) override { m_grammar = grammar; }
    orcus::spreadsheet::formula_grammar_t get_default_formula_grammar() const override { return m_grammar; }
    void set_character_set(orcus::character_set_t) override {}

private:
    Worksheet &m_sheet;
    orcus::spreadsheet::formula_grammar_t m_grammar = orcus::spreadsheet::formula_grammar_t::unknown;
};

// Collects the cells of the worksheet asked for; the other worksheets are read past (their
// `target` is null).
class SheetCollector : public iface::import_sheet {
public:
    SheetCollector(Worksheet *target, const SharedStrings &strings, const ReadProgress &progress)
        : m_target(target), m_strings(strings), m_ticker(progress), m_formula(*this)
    {
    }

    void put(row_t row, col_t col, SheetCell cell)
    {
        if (!m_target || row < 0 || col < 0)
            return;
        m_ticker.row(int(row));
        if (cell.kind != SheetCell::Kind::Empty)
            m_target->set(size_t(row), size_t(col), std::move(cell));
    }

    void set_auto(row_t row, col_t col, std::string_view s) override
    {
        if (!s.empty())
            put(row, col, SheetCell::ofText(fromUtf8(s)));
    }
    void set_string(row_t row, col_t col, orcus::spreadsheet::string_id_t index) override
    {
        const QString &text = m_strings.at(index);
        if (!text.isEmpty())
            put(row, col, SheetCell::ofText(text));
    }
    void set_value(row_t row, col_t col, double value) override { put(row, col, SheetCell::ofNumber(value)); }
    void set_bool(row_t row, col_t col, bool value) override { put(row, col, SheetCell::ofNumber(value ? 1 : 0)); }
    void set_date_time(row_t row, col_t col, int year, int month, int day, int hour, int minute, double second) override
    {
        const QDate date(year, month, day);
        QString text = date.toString(QStringLiteral("yyyy-MM-dd"));
        if (hour || minute || second > 0)
            text += QStringLiteral(" %1:%2:%3")
                        .arg(hour, 2, 10, QLatin1Char('0'))
                        .arg(minute, 2, 10, QLatin1Char('0'))
                        .arg(int(second), 2, 10, QLatin1Char('0'));
        put(row, col, SheetCell::ofDate(text));
    }
    void set_format(row_t, col_t, size_t) override {}
    void set_format(row_t, col_t, row_t, col_t, size_t) override {}
    // OpenDocument writes equal neighbouring rows once, with a repeat count.
    void fill_down_cells(row_t srcRow, col_t srcCol, row_t rangeSize) override
    {
        if (!m_target)
            return;
        const SheetCell cell = m_target->at(size_t(srcRow), size_t(srcCol));
        for (row_t r = 1; r <= rangeSize; ++r)
            put(srcRow + r, srcCol, cell);
    }
    orcus::spreadsheet::range_size_t get_sheet_size() const override { return {1048576, 16384}; }
    iface::import_formula *get_formula() override { return &m_formula; }

private:
    // A formula cell counts with the result the workbook last computed for it.
    class FormulaResult : public iface::import_formula {
    public:
        explicit FormulaResult(SheetCollector &sheet) : m_sheet(sheet) {}
        void set_position(row_t row, col_t col) override
        {
            m_row = row;
            m_col = col;
            m_result = {};
        }
        void set_formula(orcus::spreadsheet::formula_grammar_t, std::string_view) override {}
        void set_shared_formula_index(size_t) override {}
        void set_result_string(std::string_view value) override
        {
            m_result = value.empty() ? SheetCell() : SheetCell::ofText(fromUtf8(value));
        }
        void set_result_value(double value) override { m_result = SheetCell::ofNumber(value); }
        void set_result_bool(bool value) override { m_result = SheetCell::ofNumber(value ? 1 : 0); }
        void set_result_empty() override { m_result = {}; }
        void commit() override { m_sheet.put(m_row, m_col, std::move(m_result)); }

    private:
        SheetCollector &m_sheet;
        row_t m_row = -1;
        col_t m_col = -1;
        SheetCell m_result;
    };

    Worksheet *m_target;
    const SharedStrings &m_strings;
    RowTicker m_ticker;
    FormulaResult m_formula;
};

class Factory : public iface::import_factory {
public:
    Factory(const QString &wanted, const ReadProgress &progress)
        : m_wanted(wanted), m_progress(progress), m_settings(m_sheet)
    {
    }

    iface::import_global_settings *get_global_settings() override { return &m_settings; }
    iface::import_shared_strings *get_shared_strings() override { return &m_strings; }
    iface::import_reference_resolver *get_reference_resolver(orcus::spreadsheet::formula_ref_context_t) override
    {
        return &m_references;
    }
    iface::import_sheet *append_sheet(orcus::spreadsheet::sheet_t, std::string_view name) override
    {
        m_names << fromUtf8(name);
        Worksheet *target = nullptr;
        if (!m_found && sameSheetName(m_names.last(), m_wanted)) {
            m_found = true;
            m_sheet.name = m_names.last();
            target = &m_sheet;
        }
        m_sheets.push_back(std::make_unique<SheetCollector>(target, m_strings, m_progress));
        return m_sheets.back().get();
    }
    iface::import_sheet *get_sheet(std::string_view name) override
    {
        const qsizetype i = m_names.indexOf(fromUtf8(name));
        return i < 0 ? nullptr : m_sheets[size_t(i)].get();
    }
    iface::import_sheet *get_sheet(orcus::spreadsheet::sheet_t index) override
    {
        return index >= 0 && size_t(index) < m_sheets.size() ? m_sheets[size_t(index)].get() : nullptr;
    }
    void finalize() override {}

    bool found() const { return m_found; }
    const QStringList &names() const { return m_names; }
    Worksheet takeSheet() { return std::move(m_sheet); }

private:
    QString m_wanted;
    const ReadProgress &m_progress;
    Worksheet m_sheet;
    GlobalSettings m_settings;
    SharedStrings m_strings;
    A1References m_references;
    QStringList m_names;
    std::vector<std::unique_ptr<SheetCollector>> m_sheets;
    bool m_found = false;
};

} // namespace

Worksheet readZipWorkbook(const QString &path, const QByteArray &content, ZipFormat format,
                          const QString &sheetName, const ReadProgress &progress)
{
    Factory factory(sheetName, progress);
    const std::string_view stream(content.constData(), size_t(content.size()));
    try {
        if (format == ZipFormat::OfficeOpenXml) {
            orcus::orcus_xlsx reader(&factory);
            reader.read_stream(stream);
        } else {
            orcus::orcus_ods reader(&factory);
            reader.read_stream(stream);
        }
    } catch (const ImportCancelled &) {
        throw;
    } catch (const std::exception &e) {
        throw damaged(path, QString::fromUtf8(e.what()));
    }
    if (!factory.found())
        throw noSuchSheet(sheetName, factory.names());
    return factory.takeSheet();
}

} // namespace workbook
