#include "stock/workbookformats.h"

#include "stock/storedzip.h"

#include <orcus/orcus_ods.hpp>
#include <orcus/sax_parser.hpp>
#include <orcus/spreadsheet/import_interface.hpp>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <optional>
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

// Where `wanted` stands in `text` outside quoted sheet names ('my.sheet', with '' for a quote), or
// npos; `last` finds the last one.
size_t findOutsideQuotes(std::string_view text, char wanted, bool last)
{
    size_t found = std::string_view::npos;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\'')
            quoted = !quoted; // '' inside a quoted name toggles twice
        else if (!quoted && text[i] == wanted) {
            found = i;
            if (!last)
                break;
        }
    }
    return found;
}

// Cell addresses as OpenDocument workbooks write them: plain A1 notation ("B12", "$B$12",
// "A1:Q100"), or with the sheet before a point ("$'pemrod'.$A$1",
// "pemrod.A1:pemrod.Q2", ".A1:.Q2"), as LibreOffice and Gnumeric write them. The sheet part is
// passed over: the import reads the one sheet it asks for.
class A1References : public iface::import_reference_resolver {
public:
    orcus::spreadsheet::src_address_t resolve_address(std::string_view address) override
    {
        if (const size_t point = findOutsideQuotes(address, '.', true); point != std::string_view::npos)
            address = address.substr(point + 1);
        const auto at = cellAddress(address);
        if (!at)
            throw std::runtime_error("invalid cell address " + std::string(address));
        return {0, orcus::spreadsheet::row_t(at->second), orcus::spreadsheet::col_t(at->first)};
    }
    orcus::spreadsheet::src_range_t resolve_range(std::string_view range) override
    {
        const size_t colon = findOutsideQuotes(range, ':', false);
        const auto first = resolve_address(range.substr(0, colon));
        return {first, colon == std::string_view::npos ? first : resolve_address(range.substr(colon + 1))};
    }
};

// Cell styles are of no use to the import, but liborcus reads an OpenDocument file's automatic
// styles into whatever the factory gives, and dereferences none: this takes them and keeps nothing.
class IgnoredStyles : public iface::import_styles {
public:
    using color = orcus::spreadsheet::color_elem_t;
    void set_font_count(size_t) override {}
    void set_font_bold(bool) override {}
    void set_font_italic(bool) override {}
    void set_font_name(std::string_view) override {}
    void set_font_size(double) override {}
    void set_font_underline(orcus::spreadsheet::underline_t) override {}
    void set_font_underline_width(orcus::spreadsheet::underline_width_t) override {}
    void set_font_underline_mode(orcus::spreadsheet::underline_mode_t) override {}
    void set_font_underline_type(orcus::spreadsheet::underline_type_t) override {}
    void set_font_underline_color(color, color, color, color) override {}
    void set_font_color(color, color, color, color) override {}
    void set_strikethrough_style(orcus::spreadsheet::strikethrough_style_t) override {}
    void set_strikethrough_type(orcus::spreadsheet::strikethrough_type_t) override {}
    void set_strikethrough_width(orcus::spreadsheet::strikethrough_width_t) override {}
    void set_strikethrough_text(orcus::spreadsheet::strikethrough_text_t) override {}
    size_t commit_font() override { return m_fonts++; }
    void set_fill_count(size_t) override {}
    void set_fill_pattern_type(orcus::spreadsheet::fill_pattern_t) override {}
    void set_fill_fg_color(color, color, color, color) override {}
    void set_fill_bg_color(color, color, color, color) override {}
    size_t commit_fill() override { return m_fills++; }
    void set_border_count(size_t) override {}
    void set_border_style(orcus::spreadsheet::border_direction_t, orcus::spreadsheet::border_style_t) override {}
    void set_border_color(orcus::spreadsheet::border_direction_t, color, color, color, color) override {}
    void set_border_width(orcus::spreadsheet::border_direction_t, double, orcus::length_unit_t) override {}
    size_t commit_border() override { return m_borders++; }
    void set_cell_hidden(bool) override {}
    void set_cell_locked(bool) override {}
    void set_cell_print_content(bool) override {}
    void set_cell_formula_hidden(bool) override {}
    size_t commit_cell_protection() override { return m_protections++; }
    void set_number_format_count(size_t) override {}
    void set_number_format_identifier(size_t) override {}
    void set_number_format_code(std::string_view) override {}
    size_t commit_number_format() override { return m_numberFormats++; }
    void set_cell_xf_count(size_t) override {}
    void set_cell_style_xf_count(size_t) override {}
    void set_dxf_count(size_t) override {}
    void set_xf_font(size_t) override {}
    void set_xf_fill(size_t) override {}
    void set_xf_border(size_t) override {}
    void set_xf_protection(size_t) override {}
    void set_xf_number_format(size_t) override {}
    void set_xf_style_xf(size_t) override {}
    void set_xf_apply_alignment(bool) override {}
    void set_xf_horizontal_alignment(orcus::spreadsheet::hor_alignment_t) override {}
    void set_xf_vertical_alignment(orcus::spreadsheet::ver_alignment_t) override {}
    size_t commit_cell_xf() override { return m_cellFormats++; }
    size_t commit_cell_style_xf() override { return m_styleFormats++; }
    size_t commit_dxf() override { return m_differentialFormats++; }
    void set_cell_style_count(size_t) override {}
    void set_cell_style_name(std::string_view) override {}
    void set_cell_style_xf(size_t) override {}
    void set_cell_style_builtin(size_t) override {}
    void set_cell_style_parent_name(std::string_view) override {}
    size_t commit_cell_style() override { return m_cellStyles++; }

private:
    // Each committed entry gets the next index, as a style table would give it.
    size_t m_fonts = 0, m_fills = 0, m_borders = 0, m_protections = 0, m_numberFormats = 0, m_cellFormats = 0,
           m_styleFormats = 0, m_differentialFormats = 0, m_cellStyles = 0;
};

class GlobalSettings : public iface::import_global_settings {
public:
    const QDate &dateOrigin() const { return m_origin; }
    void set_origin_date(int year, int month, int day) override { m_origin = QDate(year, month, day); }
    void set_default_formula_grammar(orcus::spreadsheet::formula_grammar_t grammar) override { m_grammar = grammar; }
    orcus::spreadsheet::formula_grammar_t get_default_formula_grammar() const override { return m_grammar; }
    void set_character_set(orcus::character_set_t) override {}

private:
    QDate m_origin = QDate(1899, 12, 30);
    orcus::spreadsheet::formula_grammar_t m_grammar = orcus::spreadsheet::formula_grammar_t::unknown;
};

// Sheet row index -> how many more times that row stands below it.
using RepeatedRows = std::map<row_t, row_t>;

// Finds the rows an OpenDocument spreadsheet writes once for several equal rows
// (table:number-rows-repeated) in the worksheet asked for, where they hold something. liborcus
// reads such a row once and passes over its repeats, so they are put back from this list.
class RepeatedRowScanner : public orcus::sax_handler {
public:
    explicit RepeatedRowScanner(const QString &wanted) : m_wanted(wanted) {}
    const RepeatedRows &rows() const { return m_rows; }
    // Whether a cell's text holds runs of text inside each other (<text:span> in <text:span>),
    // which liborcus refuses.
    bool nestedTextRuns() const { return m_nestedTextRuns; }

    void attribute(const orcus::sax::parser_attribute &attr)
    {
        if (attr.ns == "table" && attr.name == "name")
            m_tableName = fromUtf8(attr.value);
        else if (attr.ns == "table" && attr.name == "number-rows-repeated")
            m_rowsRepeated = std::max(1, std::atoi(std::string(attr.value).c_str()));
        else if (attr.ns == "office" && attr.name == "value-type")
            m_hasValue = true;
    }
    void attribute(std::string_view, std::string_view) {}
    void start_element(const orcus::sax::parser_element &elem)
    {
        if (elem.ns == "text" && elem.name == "span") {
            m_nestedTextRuns = m_nestedTextRuns || m_textRunDepth > 0;
            ++m_textRunDepth;
        }
        if (elem.ns == "table") {
            if (elem.name == "table") {
                m_inWanted = !m_done && sameSheetName(m_tableName, m_wanted);
                m_row = 0;
            } else if (elem.name == "table-row") {
                m_repeat = m_rowsRepeated;
                m_rowHasValue = false;
            } else if (elem.name == "table-cell" || elem.name == "covered-table-cell") {
                m_rowHasValue = m_rowHasValue || m_hasValue;
            }
        }
        m_tableName.clear();
        m_rowsRepeated = 1;
        m_hasValue = false;
    }
    void end_element(const orcus::sax::parser_element &elem)
    {
        if (elem.ns == "text" && elem.name == "span" && m_textRunDepth > 0)
            --m_textRunDepth;
        if (elem.ns != "table" || !m_inWanted)
            return;
        if (elem.name == "table-row") {
            if (m_repeat > 1 && m_rowHasValue)
                m_rows[m_row] = m_repeat - 1;
            m_row += m_repeat;
        } else if (elem.name == "table") {
            m_inWanted = false;
            m_done = true;
        }
    }

private:
    QString m_wanted;
    RepeatedRows m_rows;
    QString m_tableName;
    int m_rowsRepeated = 1;
    bool m_hasValue = false;
    bool m_inWanted = false;
    bool m_done = false;
    row_t m_row = 0;
    row_t m_repeat = 1;
    bool m_rowHasValue = false;
    int m_textRunDepth = 0;
    bool m_nestedTextRuns = false;
};

// The document without its text runs (<text:span>), their text kept where it stood: a run only
// formats part of a cell's text, which the import does not keep.
QByteArray withoutTextRuns(const QByteArray &xml)
{
    static const QString textNamespace = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
    QByteArray out;
    out.reserve(xml.size());
    QXmlStreamReader reader(xml);
    QXmlStreamWriter writer(&out);
    while (!reader.atEnd()) {
        reader.readNext();
        if ((reader.isStartElement() || reader.isEndElement()) && reader.name() == QLatin1String("span") &&
            reader.namespaceUri() == textNamespace)
            continue;
        if (reader.hasError())
            break;
        writer.writeCurrentToken(reader);
    }
    if (reader.hasError())
        throw std::runtime_error(reader.errorString().toStdString());
    return out;
}

// What the program reads from an OpenDocument spreadsheet's content before liborcus does.
struct OdsContent {
    RepeatedRows repeated;
    // The workbook to hand to liborcus in place of the file when it would refuse the file's own
    // content (text runs inside each other); empty when the file itself will do.
    QByteArray rewritten;
};

OdsContent scanOdsContent(const QByteArray &content, const QString &sheetName)
{
    orcus::zip_archive_stream_blob blob(reinterpret_cast<const uint8_t *>(content.constData()), size_t(content.size()));
    orcus::zip_archive archive(&blob);
    archive.load();
    std::vector<unsigned char> xml;
    if (!archive.read_file_entry("content.xml", xml))
        throw std::runtime_error("content.xml is missing");
    // liborcus's parser looks one character past the end of a document cut short: zeros after the
    // end keep that look inside the buffer (found by fuzzing).
    const size_t size = xml.size();
    xml.resize(size + 16, 0);
    RepeatedRowScanner scanner(sheetName);
    orcus::sax_parser<RepeatedRowScanner> parser(reinterpret_cast<const char *>(xml.data()), size, scanner);
    parser.parse();
    OdsContent scanned{scanner.rows(), {}};
    if (scanner.nestedTextRuns()) {
        // liborcus hands the entry over with a terminating zero of its own.
        size_t length = size;
        while (length > 0 && xml[length - 1] == 0)
            --length;
        const QByteArray flat =
            withoutTextRuns(QByteArray::fromRawData(reinterpret_cast<const char *>(xml.data()), qsizetype(length)));
        xml = {}; // the original content is not needed any more
        scanned.rewritten = storedZip({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                                       {"content.xml", flat}});
    }
    return scanned;
}

// Hands the rows of the worksheet asked for to the receiver, one whole row at a time; the other
// worksheets are read past (their `receiver` is null). Cells come row by row.
class SheetCollector : public iface::import_sheet {
public:
    SheetCollector(SheetReceiver *receiver, const SharedStrings &strings, const RepeatedRows &repeated,
                   const ReadProgress &progress)
        : m_receiver(receiver), m_strings(strings), m_repeated(repeated), m_ticker(progress), m_formula(*this)
    {
    }

    void put(row_t row, col_t col, SheetCell cell)
    {
        if (!m_receiver || row < 0 || col < 0)
            return;
        if (row != m_row) {
            flush();
            m_row = row;
            m_ticker.row(int(row));
        }
        if (cell.kind != SheetCell::Kind::Empty)
            setCell(m_cells, size_t(col), std::move(cell));
    }
    // Hands over the row being collected.
    void finish() { flush(); }

private:
    void flush()
    {
        if (m_receiver && !m_cells.empty()) {
            const auto repeated = m_repeated.find(m_row);
            const row_t more = std::max(m_repeat, repeated == m_repeated.end() ? 0 : repeated->second);
            // A repeat count past the sheet's last row is refused before any of its rows is made.
            if (size_t(m_row) + size_t(more) >= kMaxSheetRows)
                throw workbook::rowsBeyondLimit();
            for (row_t r = m_row; r <= m_row + more; ++r)
                m_receiver->row(size_t(r), m_cells);
        }
        m_cells.clear();
        m_repeat = 0;
    }

public:
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
        QString text = QDate(year, month, day).toString(Qt::ISODate);
        if (hour || minute || second > 0)
            text += QStringLiteral(" %1:%2:%3")
                        .arg(hour, 2, 10, QLatin1Char('0'))
                        .arg(minute, 2, 10, QLatin1Char('0'))
                        .arg(int(second), 2, 10, QLatin1Char('0'));
        put(row, col, SheetCell::ofDate(text));
    }
    void set_format(row_t, col_t, size_t) override {}
    void set_format(row_t, col_t, row_t, col_t, size_t) override {}
    // OpenDocument writes equal neighbouring rows once, with a repeat count: the row being
    // collected is handed over that many more times.
    void fill_down_cells(row_t srcRow, col_t, row_t rangeSize) override
    {
        if (srcRow == m_row)
            m_repeat = std::max(m_repeat, rangeSize);
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

    SheetReceiver *m_receiver;
    const SharedStrings &m_strings;
    const RepeatedRows &m_repeated;
    RowTicker m_ticker;
    FormulaResult m_formula;
    SheetRow m_cells;
    row_t m_row = -1;
    row_t m_repeat = 0;
};

class Factory : public iface::import_factory {
public:
    Factory(const QString &wanted, SheetReceiver &receiver, RepeatedRows repeated, const ReadProgress &progress)
        : m_wanted(wanted), m_receiver(receiver), m_repeated(std::move(repeated)), m_progress(progress)
    {
    }

    iface::import_global_settings *get_global_settings() override { return &m_settings; }
    iface::import_shared_strings *get_shared_strings() override { return &m_strings; }
    iface::import_styles *get_styles() override { return &m_styles; }
    iface::import_reference_resolver *get_reference_resolver(orcus::spreadsheet::formula_ref_context_t) override
    {
        return &m_references;
    }
    iface::import_sheet *append_sheet(orcus::spreadsheet::sheet_t, std::string_view name) override
    {
        m_names << fromUtf8(name);
        SheetReceiver *receiver = nullptr;
        if (!m_target && sameSheetName(m_names.last(), m_wanted)) {
            receiver = &m_receiver;
            m_receiver.begin(m_names.last(), m_settings.dateOrigin());
        }
        m_sheets.push_back(std::make_unique<SheetCollector>(receiver, m_strings, m_repeated, m_progress));
        if (receiver)
            m_target = m_sheets.back().get();
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

    // The worksheet asked for, when the workbook has it.
    SheetCollector *target() const { return m_target; }
    const QStringList &names() const { return m_names; }

private:
    QString m_wanted;
    SheetReceiver &m_receiver;
    RepeatedRows m_repeated;
    const ReadProgress &m_progress;
    GlobalSettings m_settings;
    SharedStrings m_strings;
    IgnoredStyles m_styles;
    A1References m_references;
    QStringList m_names;
    std::vector<std::unique_ptr<SheetCollector>> m_sheets;
    SheetCollector *m_target = nullptr;
};

} // namespace

void readOds(const QString &path, const QByteArray &content, const QString &sheetName, SheetReceiver &receiver,
             const ReadProgress &progress)
{
    std::optional<Factory> factory;
    try {
        OdsContent ods = scanOdsContent(content, sheetName);
        factory.emplace(sheetName, receiver, std::move(ods.repeated), progress);
        orcus::orcus_ods reader(&*factory);
        const QByteArray &workbook = ods.rewritten.isEmpty() ? content : ods.rewritten;
        reader.read_stream(std::string_view(workbook.constData(), size_t(workbook.size())));
    } catch (const ImportCancelled &) {
        throw;
    } catch (const UserVisibleError &) {
        throw; // the receiver's own refusal
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const std::exception &) {
        // The reader library's own words are English and name its internals: the person is told
        // what the file is not.
        throw damaged(path, QStringLiteral("内容不符合 OpenDocument 表格（.ods）的格式"));
    }
    if (!factory->target())
        throw noSuchSheet(sheetName, factory->names());
    factory->target()->finish();
}

} // namespace workbook
