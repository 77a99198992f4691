#pragma once

#include <QString>
#include <QStringList>

// The five colour schemes of "界面换肤" and the built-in look used while none is chosen.
namespace skins {

// Menu captions, in the order of the stored values "0" to "4".
QStringList names();
// Applies skin 0–4 to the whole application; -1 restores the built-in look.
void apply(int index);
// The skin applied last (-1 for the built-in look).
int current();

} // namespace skins
