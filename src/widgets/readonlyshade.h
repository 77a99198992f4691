#pragma once

class QLineEdit;

// Shows `field` on its window's colour while it is read-only, and on the white of a field to fill
// otherwise, so the fields a person types into stand out. The shade follows every change of read
// only and of the program's colours (the skins), so a field never keeps the colours of a skin that
// is no longer shown.
void shadeWhileReadOnly(QLineEdit *field);
