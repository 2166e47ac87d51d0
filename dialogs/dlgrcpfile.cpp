#include "dialogs/dlgrcpfile.h"
#include "ui_dlgrcpfile.h"

#include "app/panelstyle.h"
#include "dialogs/recipename.h"
#include "dialogs/screencentre.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QTextCursor>

#include <algorithm>

namespace {

const QString RecipeExtension = QStringLiteral(".rcp");
const QString RecipeFilter = QStringLiteral("*.rcp");
const QString NewFileName = QStringLiteral("newfile.rcp");
const QChar Dot = QLatin1Char('.');
const QChar Space = QLatin1Char(' ');

// The keyboard's 26 keys in form order (three rows), and what they show in each layout.
// The second layout has no key for the last two places of the third row: a space hides them.
constexpr int KeyCount = 26;
const char *const LetterLayout = "QWERTYUIOPASDFGHJKLZXCVBNM";
const char *const SymbolLayout = "1234567890-()$&@+=*_[]?%  ";
constexpr int HiddenInSymbols[] = {24, 25};   // butN, butM

} // namespace

dlgRcpFile::dlgRcpFile(bool saveType, QWidget *parent)
    : QDialog(parent), ui(new Ui::dlgRcpFile), saveType(saveType)
{
    ui->setupUi(this);
    setStyleSheet(Ptx::panelStyleSheet());
    QPushButton *const keys[KeyCount] = {
        ui->butQ, ui->butW, ui->butE, ui->butR, ui->butT, ui->butY, ui->butU, ui->butI, ui->butO,
        ui->butP, ui->butA, ui->butS, ui->butD, ui->butF, ui->butG, ui->butH, ui->butJ, ui->butK,
        ui->butL, ui->butZ, ui->butX, ui->butC, ui->butV, ui->butB, ui->butN, ui->butM};
    std::copy(std::begin(keys), std::end(keys), letterKeys);
    connect(ui->fileName, &QTextEdit::textChanged, this, &dlgRcpFile::nameEdited);
    kbdmode = 0;
    updateButtons();
}

dlgRcpFile::~dlgRcpFile()
{
    delete ui;
}

void dlgRcpFile::centreOnScreen()
{
    Ptx::centreOnScreen(this);
}

QStringList dlgRcpFile::recipeFileNames(QFileInfoList files)
{
    std::stable_sort(files.begin(), files.end(), [](const QFileInfo &a, const QFileInfo &b) {
        if (a.size() != b.size())
            return a.size() < b.size();
        return a.fileName().compare(b.fileName(), Qt::CaseSensitive) > 0;
    });
    QStringList names;
    for (const QFileInfo &file : files)
        names.append(file.fileName());
    return names;
}

QString dlgRcpFile::completedName(const QString &name)
{
    return name.contains(Dot) ? name : name + RecipeExtension;
}

bool dlgRcpFile::nameAcceptable(const QString &name)
{
    return Ptx::listedRecipeName(completedName(name));
}

void dlgRcpFile::InitDlg()
{
    fnames.clear();
    // Hidden files are left out unless asked for; links are left out explicitly.
    const QFileInfoList files = QDir::current().entryInfoList(
        {RecipeFilter}, QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot, QDir::Unsorted);
    fnames = recipeFileNames(files);
    ui->listWidget->clear();
    ui->listWidget->addItems(fnames);
    if (!fnames.isEmpty())
        ui->listWidget->setCurrentRow(0);
    setCurFileName();
}

void dlgRcpFile::setCurFileName()
{
    const QListWidgetItem *item = ui->listWidget->currentItem();
    curFileName = item ? item->text() : NewFileName;
    showName();
}

// The name as it is on disk: a recipe loaded from "Slide.rcp" is saved to "Slide.rcp".
void dlgRcpFile::setCurFileName(QString name)
{
    curFileName = name;
    showName();
}

QString dlgRcpFile::getCurFileName()
{
    curFileName = completedName(curFileName);
    return curFileName;
}

void dlgRcpFile::showName()
{
    ui->fileName->setPlainText(curFileName);
    ui->fileName->setFocus();
    ui->fileName->moveCursor(QTextCursor::End);
}

void dlgRcpFile::nameEdited()
{
    curFileName = ui->fileName->toPlainText();
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(nameAcceptable(curFileName));
}

void dlgRcpFile::accept()
{
    if (nameAcceptable(curFileName))
        QDialog::accept();
}

void dlgRcpFile::addCharToFname(QChar c)
{
    ui->fileName->insertPlainText(QString(c.toLower()));
    curFileName = ui->fileName->toPlainText();
    ui->fileName->setFocus();
}

void dlgRcpFile::delCharFromFname()
{
    ui->fileName->textCursor().deletePreviousChar();
    ui->fileName->setFocus();
    curFileName = ui->fileName->toPlainText();
}

void dlgRcpFile::updateButtons()
{
    const char *layout = kbdmode == 0 ? LetterLayout : SymbolLayout;
    for (int k = 0; k < KeyCount; ++k)
        letterKeys[k]->setText(QString(QLatin1Char(layout[k])));
    for (int k : HiddenInSymbols)
        letterKeys[k]->setVisible(kbdmode == 0);
}

// A key types what it shows, lower-cased.
void dlgRcpFile::typeKey(const QPushButton *key)
{
    const QString shown = key->text();
    if (!shown.isEmpty() && shown.at(0) != Space)
        addCharToFname(shown.at(0));
}

void dlgRcpFile::on_listWidget_clicked(const QModelIndex &)
{
    setCurFileName();
}

void dlgRcpFile::moveRow(int step)
{
    const int count = ui->listWidget->count();
    if (count == 0)
        return;
    const int row = std::clamp(ui->listWidget->currentRow() + step, 0, count - 1);
    ui->listWidget->setCurrentRow(row);
    setCurFileName();
}

void dlgRcpFile::on_butPrev_clicked() { moveRow(-1); }
void dlgRcpFile::on_butNext_clicked() { moveRow(1); }

void dlgRcpFile::on_butCHNG_clicked()
{
    kbdmode = kbdmode == 0 ? 1 : 0;
    updateButtons();
}

void dlgRcpFile::on_butBKSP_clicked() { delCharFromFname(); }
void dlgRcpFile::on_butSPACE_clicked() { addCharToFname(Space); }

void dlgRcpFile::on_butLeft_clicked()
{
    ui->fileName->setFocus();
    ui->fileName->moveCursor(QTextCursor::PreviousCharacter);
}

void dlgRcpFile::on_butRight_clicked()
{
    ui->fileName->setFocus();
    ui->fileName->moveCursor(QTextCursor::NextCharacter);
}

void dlgRcpFile::on_butEnd_clicked()
{
    ui->fileName->setFocus();
    ui->fileName->moveCursor(QTextCursor::EndOfLine);
}

void dlgRcpFile::on_butQ_clicked() { typeKey(ui->butQ); }
void dlgRcpFile::on_butW_clicked() { typeKey(ui->butW); }
void dlgRcpFile::on_butE_clicked() { typeKey(ui->butE); }
void dlgRcpFile::on_butR_clicked() { typeKey(ui->butR); }
void dlgRcpFile::on_butT_clicked() { typeKey(ui->butT); }
void dlgRcpFile::on_butY_clicked() { typeKey(ui->butY); }
void dlgRcpFile::on_butU_clicked() { typeKey(ui->butU); }
void dlgRcpFile::on_butI_clicked() { typeKey(ui->butI); }
void dlgRcpFile::on_butO_clicked() { typeKey(ui->butO); }
void dlgRcpFile::on_butP_clicked() { typeKey(ui->butP); }
void dlgRcpFile::on_butA_clicked() { typeKey(ui->butA); }
void dlgRcpFile::on_butS_clicked() { typeKey(ui->butS); }
void dlgRcpFile::on_butD_clicked() { typeKey(ui->butD); }
void dlgRcpFile::on_butF_clicked() { typeKey(ui->butF); }
void dlgRcpFile::on_butG_clicked() { typeKey(ui->butG); }
void dlgRcpFile::on_butH_clicked() { typeKey(ui->butH); }
void dlgRcpFile::on_butJ_clicked() { typeKey(ui->butJ); }
void dlgRcpFile::on_butK_clicked() { typeKey(ui->butK); }
void dlgRcpFile::on_butL_clicked() { typeKey(ui->butL); }
void dlgRcpFile::on_butZ_clicked() { typeKey(ui->butZ); }
void dlgRcpFile::on_butX_clicked() { typeKey(ui->butX); }
void dlgRcpFile::on_butC_clicked() { typeKey(ui->butC); }
void dlgRcpFile::on_butV_clicked() { typeKey(ui->butV); }
void dlgRcpFile::on_butB_clicked() { typeKey(ui->butB); }
void dlgRcpFile::on_butN_clicked() { typeKey(ui->butN); }
void dlgRcpFile::on_butM_clicked() { typeKey(ui->butM); }
