#pragma once

// Pinyin initials of article names and models.
//
// Every stock row and sale line stores, beside the name and the model, the first
// letters of their pinyin syllables (衣服 -> "yf"), so an assistant finds an article by
// typing those letters and the search stays a plain substring match. The texts are GBK
// byte strings: a Chinese character is two bytes, an ASCII character one.

#include <QByteArray>
#include <QString>

#include <optional>

// The initials string of a GBK text. Digits, letters (case kept) and the signs
// ! . # $ % ( ) * + - , / [ \ | ^ ~ ` @ { } _ are copied as they are. Any other byte
// starts a two-byte unit together with the byte after it (a zero byte at the end), and
// that unit gives its initial letter or "!" when it has none. So a blank or another
// single-byte sign outside the set takes the next byte with it: "牛仔裤 XL" -> "nzk!L".
QByteArray pinyinInitials(const QByteArray &gbk);

// The same for a Unicode text, encoded to GBK first. A character that GBK cannot encode
// counts as one two-byte unit without an initial, like a full-width sign.
QByteArray pinyinInitials(const QString &text);

// The initial of a GB2312 level-1 character by its code range (level-1 characters are
// stored in pinyin order); no letter for any other unit. Only the code value
// lead * 256 + trail is looked at.
std::optional<char> initialOfChar(unsigned char lead, unsigned char trail);

// The list of characters filed under an initial: GBK text, every character followed by
// one blank. Units the range table does not answer are looked up in these lists, in the
// order "abcdefghjklmnopqrstwxyz", and the first list holding the character gives its
// initial. Empty for a letter without a list (i, u, v, upper case, anything else).
QByteArray pinyinList(char letter);
