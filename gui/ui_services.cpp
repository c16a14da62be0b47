#include "gui/ui_services.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QSpacerItem>
#include <QUrl>

#include "core/base/texts.h"
#include "gui/page_text.h"

namespace velmoraine::gui {

QString pageFileFilter() { return QStringLiteral("HTML Files (*.htm* *.php *.asp)"); }

// --- Dialog builders ---

namespace {

// Room the window manager takes beside the caption: the icon, the title buttons and margins.
constexpr int kTitleBarExtras = 128;

// A short message would give a box narrower than its caption, which the window manager then
// cuts; a spacer across the box's grid keeps it as wide as the caption in a bold title font.
void keepCaptionWhole(QMessageBox &box) {
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + kTitleBarExtras;
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout())) {
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
}

} // namespace

std::unique_ptr<QMessageBox> makeMessageBox(QWidget *owner, const QString &text) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, fromSystemText(texts::kMessageTitle), text,
                                             QMessageBox::Ok, owner);
    keepCaptionWhole(*box);
    // Messages hold tag names such as "<FORM>": never read them as markup.
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

std::unique_ptr<QMessageBox> makeErrorBox(QWidget *owner, const QString &text) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, fromSystemText(texts::kApplicationTitle), text,
                                             QMessageBox::Ok, owner);
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

std::unique_ptr<QFileDialog> makeOpenPageDialog(QWidget *owner, const QString &startFolder) {
    auto dialog = std::make_unique<QFileDialog>(owner, QString(), startFolder, pageFileFilter());
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // AnyFile: a typed name of a file that does not exist is accepted, and the scan reports it.
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setWindowModality(Qt::ApplicationModal);
    return dialog;
}

std::unique_ptr<QFileDialog> makeSavePageDialog(QWidget *owner) {
    auto dialog = std::make_unique<QFileDialog>(owner, QString(), QString(), pageFileFilter());
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setDefaultSuffix(QString::fromLatin1(kDefaultPageSuffix));
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog->setWindowModality(Qt::ApplicationModal);
    return dialog;
}

QString withDefaultSuffix(const QString &path, const QString &suffix) {
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) {
        return path;
    }
    return path + u'.' + suffix;
}

void writeClipboard(const QString &text, const QByteArray &bytes) {
    auto *data = new QMimeData;
    data->setText(text);
    if (!bytes.isNull()) {
        data->setData(QString::fromLatin1(kPageBytesMimeType), bytes);
    }
    QGuiApplication::clipboard()->setMimeData(data);
}

// --- The desktop ---

void DesktopUiServices::showMessage(QWidget *owner, const QString &text) { makeMessageBox(owner, text)->exec(); }

void DesktopUiServices::showError(QWidget *owner, const QString &text) { makeErrorBox(owner, text)->exec(); }

std::optional<QString> DesktopUiServices::askOpenPage(QWidget *owner, const QString &startFolder) {
    const auto dialog = makeOpenPageDialog(owner, startFolder);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog->selectedFiles().constFirst();
}

std::optional<QString> DesktopUiServices::askSavePage(QWidget *owner) {
    const auto dialog = makeSavePageDialog(owner);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    // A desktop's own dialog may not honour the default suffix: add it here as well.
    return withDefaultSuffix(dialog->selectedFiles().constFirst(), QString::fromLatin1(kDefaultPageSuffix));
}

int DesktopUiServices::showModal(QDialog &dialog) { return dialog.exec(); }

void DesktopUiServices::copyToClipboard(const QString &text, const QByteArray &bytes) { writeClipboard(text, bytes); }

void DesktopUiServices::openInBrowser(const QUrl &url) { QDesktopServices::openUrl(url); }

void DesktopUiServices::startProgram(const QString &program, const QStringList &arguments) {
    QProcess::startDetached(program, arguments);
}

// --- Wait cursor ---

WaitCursor::WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }

WaitCursor::~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }

} // namespace velmoraine::gui
