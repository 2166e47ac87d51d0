#include "dialogs/webpagedialog.h"
#include "ui_webpagedialog.h"

#include "app/panelstyle.h"
#include "dialogs/qrcodeimage.h"
#include "dialogs/screencentre.h"

#include <QDesktopServices>
#include <QPixmap>

namespace {

// A module of 6 pixels makes the code of an address about 200 pixels wide: large enough
// for a phone held at arm's length, small enough for the panel's 480 pixel high screen.
constexpr int QrModulePixels = 6;

std::function<bool(const QUrl &)> &opener()
{
    static std::function<bool(const QUrl &)> open = &QDesktopServices::openUrl;
    return open;
}

} // namespace

WebPageDialog::WebPageDialog(const QUrl &page, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::WebPageDialog)
{
    ui->setupUi(this);
    setStyleSheet(Ptx::panelStyleSheet());
    const QString address = page.toString();
    ui->labelAddress->setText(address);
    ui->labelCode->setPixmap(QPixmap::fromImage(Ptx::qrCodeImage(address.toUtf8(), QrModulePixels)));
}

WebPageDialog::~WebPageDialog()
{
    delete ui;
}

void WebPageDialog::showPage(const QUrl &page, QWidget *parent)
{
    if (opener()(page))
        return;
    WebPageDialog dialog(page, parent);
    Ptx::centreOnScreen(&dialog);
    dialog.exec();
}

void WebPageDialog::setOpener(std::function<bool(const QUrl &)> open)
{
    opener() = std::move(open);
}
