#pragma once

#include "common/printing.h"
#include "sales/salesnotecontent.h"

// The print job of a sales note: A4 portrait, margins 10 mm top and bottom and 15 mm left and
// right, bands 180 mm wide, font "宋体". The title bands open the first page; a page that cannot
// hold the next line closes its table and the lines go on under the column titles on the next
// page; the total, the slogans and the signatures stay together after the last line.
namespace salesnote {

Printing::Job job(const Content &note);

} // namespace salesnote
