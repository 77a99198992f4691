#pragma once

#include <QString>

class Database;
class Messages;

// Opens the shop database at start-up. When the file is missing a new one is created: at once
// when `createWithoutAsking`, otherwise after the user agrees. Returns false (after telling the
// user why) when the program cannot go on.
bool openShopDatabase(Database &db, Messages &messages, bool createWithoutAsking);

// Maps the fonts the program asks for by name ("宋体", "SimSun", Arial) to installed ones.
void installFontSubstitutions();
