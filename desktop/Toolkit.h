#pragma once

#include <QIcon>
#include <QString>

// What the desktop and the toolkit need to know of the program beyond its own windows.
namespace toolkit {

// The menu entry's id: the desktop file name, the Wayland app id and the icon's name.
inline constexpr char16_t kAppId[] = u"com.quillmarsh.orvexreg";

// Qt's own Traditional Chinese texts (buttons, edit menus, the print dialog) from the
// system's Qt translations, whatever the locale: the windows are Chinese in any case. A
// missing file leaves them English and says so once on standard error; false then.
bool installChineseTexts();

// The program's icon from the icon theme, the built-in one where the theme has none.
QIcon appIcon();

}  // namespace toolkit
