#pragma once

class Desktop;
class Messages;
class QString;

// The commands of the settings and support menus that reach outside the program's own windows:
// the desktop's calculator and text editor, the program's web site, and where newer versions are
// published. Nothing here goes on the network by itself.
namespace shellcommands {

// "计算器" / "记事本": the first calculator / text editor installed on the machine, left running
// on its own. When none is installed or none starts, the person is told what is missing.
void startCalculator(Desktop &desktop, Messages &messages);
void startTextEditor(Desktop &desktop, Messages &messages);

// "官方网站": the program's web site in the default browser; without a browser the person is told
// so, with the address.
void openWebsite(Desktop &desktop, Messages &messages);

// "软件升级": the installed version and where newer versions are published, with the offer to
// open that page.
QString upgradeText();
void showUpgradeInfo(Messages &messages, Desktop &desktop);

} // namespace shellcommands
