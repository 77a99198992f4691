#pragma once

#include <QString>

// The amount in Chinese capital numerals that a sales note prints after "（大写） ": 100.5 gives
// 壹佰元伍角, 2.09 gives 贰元零玖分, 5 gives 伍元整.
//
// `amount` is a text in yuan of digits and at most one decimal point. The amount is taken to the
// fen (every decimal after the second is dropped) on its decimal text, never through a floating-
// point value. A text of fewer than ten characters is read as a number, one of ten or more as
// text (its leading zeros removed, so "0000000.05" gives 零伍分).
//
// Returns the empty text for a zero amount, for a text that is no number (no digit, several
// points) and for amounts of 10^28 yuan and more. A character other than a digit or "." is
// refused: the result is empty and `refusedCode`, when given, receives the character's code, its
// first byte in GBK for a double-byte character (45 for "-", 44 for ",", 63 for a character GBK
// has no code for). Otherwise `refusedCode` is set to 0. No message is shown: the caller decides
// what the user sees. A negative amount is the caller's to write, e.g. "负" and the capitals of
// its magnitude.
QString amountInCapitals(const QString &amount, int *refusedCode = nullptr);
