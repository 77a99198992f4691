#pragma once

class Desktop;
class Messages;
class QString;

// The commands of the settings and support menus that reach outside the program's own windows:
// the desktop's calculator and text editor, the program's web site, and where newer versions are
// published. Nothing here goes on the network by itself.
namespace shellcommands {

// "计算器" / "记事本": the first calculator / text editor installed on the machine, left running
// on its own. None installed, or one that does not start, changes nothing and shows nothing.
void startCalculator(Desktop &desktop);
void startTextEditor(Desktop &desktop);

// "官方网站": the program's web site in the default browser; without a browser nothing happens.
void openWebsite(Desktop &desktop);

// "软件升级": the installed version and where newer versions are published, with the offer to
// open that page.
QString upgradeText();
void showUpgradeInfo(Messages &messages, Desktop &desktop);

} // namespace shellcommands
