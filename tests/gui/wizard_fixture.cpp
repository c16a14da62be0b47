#include "wizard_fixture.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

#include "core/base/files.h"
#include "core/base/profile.h"
#include "gui/page_text.h"
#include "gui/window_look.h"

namespace velmoraine::test {

std::string modelText() {
    return files::readWholeFile(VELMORAINE_SOURCE_DIR "/core/rewrite/vlmodel.txt").value_or(std::string());
}

WizardFixture::WizardFixture() {
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    QDir(m_dir.path()).mkpath(QStringLiteral("main"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path(QStringLiteral("config"))));
    writeFile(QStringLiteral("main/vlmodel.txt"), modelText());
    writeSettings("velmoraine.ini", "[Settings]\nmain dir=" + mainDirectory().toStdString() + "\n");
}

QString WizardFixture::path(const QString &name) const { return m_dir.filePath(name); }

QString WizardFixture::mainDirectory() const { return path(QStringLiteral("main")) + u'/'; }

QString WizardFixture::writeFile(const QString &name, std::string_view bytes) const {
    const QString file = path(name);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qFatal("cannot write a test file");
    }
    out.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return file;
}

std::string WizardFixture::readFile(const QString &path) {
    return files::readWholeFile(QFile::encodeName(path).toStdString()).value_or(std::string("<missing>"));
}

bool WizardFixture::exists(const QString &path) { return QFileInfo::exists(path); }

std::string WizardFixture::settingsText(std::string_view file) const {
    return files::readWholeFile(profile::resolveProfilePath(file)).value_or(std::string());
}

void WizardFixture::writeSettings(std::string_view file, std::string_view text) const {
    writeFile(QStringLiteral("config/") + QString::fromUtf8(file.data(), static_cast<qsizetype>(file.size())), text);
}

TForm1::SetUpOutcome WizardFixture::start(std::string_view commandLine) {
    m_chooser = std::make_unique<TForm5>();
    m_form = std::make_unique<TForm1>(ui, *m_chooser);
    return m_form->setUp(commandLine);
}

QString WizardFixture::currentPage() const {
    return child<QStackedWidget>("PageControl1")->currentWidget()->objectName();
}

void WizardFixture::click(const char *objectName) const {
    auto *button = child<QAbstractButton>(objectName);
    if (button == nullptr) {
        qFatal("no button %s", objectName);
    }
    QTest::mouseClick(button, Qt::LeftButton);
}

ScopedPath::ScopedPath(const QString &path) : m_saved(qgetenv("PATH")) { qputenv("PATH", QFile::encodeName(path)); }

ScopedPath::~ScopedPath() { qputenv("PATH", m_saved); }

void verifyNothingClipped(QWidget *page, QWidget *frame) {
    const QRect area(QPoint(0, 0), frame->size());
    for (QWidget *widget : page->findChildren<QWidget *>()) {
        if (!widget->isVisible() || widget->objectName().isEmpty() || widget->objectName().startsWith(u'q')) {
            continue;
        }
        QRect placed(widget->mapTo(frame, QPoint(0, 0)), widget->size());
        auto *label = qobject_cast<QLabel *>(widget);
        if (label != nullptr) {
            placed.setWidth(std::min(placed.width(), label->sizeHint().width())); // the text, not the cell
        }
        QVERIFY2(area.adjusted(0, 0, -4, 0).contains(placed), qPrintable(widget->objectName()));
        if (label != nullptr) {
            if (label->wordWrap()) {
                QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(label->objectName()));
            } else {
                QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->objectName()));
            }
        }
        if (auto *push = qobject_cast<QPushButton *>(widget)) {
            const int textWidth = push->fontMetrics().horizontalAdvance(push->text().remove(u'&'));
            QVERIFY2(textWidth + 8 <= push->width(), qPrintable(push->objectName()));
        } else if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
            QVERIFY2(button->sizeHint().width() <= button->width(), qPrintable(button->objectName()));
            QVERIFY2(button->sizeHint().height() <= button->height(), qPrintable(button->objectName()));
        }
    }
}

QFont secondFamilyFont() {
    static const QString family = [] {
        const int id =
            QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
        return id < 0 ? QString() : QFontDatabase::applicationFontFamilies(id).value(0);
    }();
    if (family.isEmpty()) {
        qFatal("DejaVu Sans is missing: scripts/setup.sh installs fonts-dejavu-core");
    }
    QFont font(family);
    font.setPixelSize(gui::windowFont().pixelSize());
    return font;
}

void useSecondFamily(QWidget *window) {
    window->setFont(secondFamilyFont());
    for (int level = 0; level < 4; ++level) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
}

QString qs(std::string_view text) { return gui::fromSystemText(text); }

QStringList itemsOf(const QListWidget *list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) {
        items.append(list->item(i)->text());
    }
    return items;
}

} // namespace velmoraine::test
