// dlgRcpFile: the modal recipe file chooser: the recipe files of the working directory and
// an on-screen keyboard on which the operator types a new name.
#pragma once

#include <QDialog>
#include <QFileInfoList>
#include <QModelIndex>
#include <QString>
#include <QStringList>

class QPushButton;

namespace Ui {
class dlgRcpFile;
}

class dlgRcpFile : public QDialog
{
    Q_OBJECT

public:
    explicit dlgRcpFile(bool saveType, QWidget *parent = nullptr);
    ~dlgRcpFile() override;

    void centreOnScreen();
    // The recipe files as the list shows them: smallest first, files of equal size in
    // descending name order.
    static QStringList recipeFileNames(QFileInfoList files);
    // The name as it will be returned: ".rcp" added when it holds no "." at all.
    static QString completedName(const QString &name);
    // A name is taken when LOAD would list its completed form afterwards: not an empty or
    // hidden name, none outside the working folder, none without the recipe extension.
    static bool nameAcceptable(const QString &name);

public slots:
    void InitDlg();
    void setCurFileName();
    void setCurFileName(QString name);
    QString getCurFileName();
    void addCharToFname(QChar c);
    void delCharFromFname();
    void updateButtons();
    void accept() override;

private slots:
    void on_listWidget_clicked(const QModelIndex &index);
    void on_butPrev_clicked();
    void on_butNext_clicked();
    void on_butCHNG_clicked();
    void on_butBKSP_clicked();
    void on_butSPACE_clicked();
    void on_butLeft_clicked();
    void on_butRight_clicked();
    void on_butEnd_clicked();
    void on_butQ_clicked();
    void on_butW_clicked();
    void on_butE_clicked();
    void on_butR_clicked();
    void on_butT_clicked();
    void on_butY_clicked();
    void on_butU_clicked();
    void on_butI_clicked();
    void on_butO_clicked();
    void on_butP_clicked();
    void on_butA_clicked();
    void on_butS_clicked();
    void on_butD_clicked();
    void on_butF_clicked();
    void on_butG_clicked();
    void on_butH_clicked();
    void on_butJ_clicked();
    void on_butK_clicked();
    void on_butL_clicked();
    void on_butZ_clicked();
    void on_butX_clicked();
    void on_butC_clicked();
    void on_butV_clicked();
    void on_butB_clicked();
    void on_butN_clicked();
    void on_butM_clicked();

private:
    void typeKey(const QPushButton *key);
    void showName();
    void moveRow(int step);
    void nameEdited();

    Ui::dlgRcpFile *ui;
    bool saveType;
    QStringList fnames;
    QString curFileName;
    unsigned int kbdmode = 0;
    QPushButton *letterKeys[26] = {};
};
