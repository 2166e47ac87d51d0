// The address of the controller's built-in web page.
#pragma once

#include <QString>
#include <QUrl>

namespace Ptx {

// "http://" and the controller's host; a ":port" suffix (the link's port) is left out.
QUrl controllerWebPage(const QString &address);

} // namespace Ptx
