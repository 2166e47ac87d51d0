// WebPageDialog: the controller's web page address, in large text and as a QR code, for a
// panel where no web browser opens it (a kiosk); with OK and the HALT key.
#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

namespace Ui {
class WebPageDialog;
}

class WebPageDialog : public QDialog
{
    Q_OBJECT

public:
    explicit WebPageDialog(const QUrl &page, QWidget *parent = nullptr);
    ~WebPageDialog() override;

    // Opens the page in the desktop's web browser; when none opens it, shows this dialog
    // with the address until OK.
    static void showPage(const QUrl &page, QWidget *parent);
    // What opens an address in a browser and says whether it did: the desktop's own
    // launcher until another is set (tests set one, so no browser starts).
    static void setOpener(std::function<bool(const QUrl &)> opener);

private:
    Ui::WebPageDialog *ui;
};
