// A wizard on temporary folders: its own configuration folder (XDG_CONFIG_HOME), a main
// directory holding the script model, and pages written by the test.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <QByteArray>
#include <QFont>
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include "gui/form_chooser.h"
#include "gui/main_window.h"
#include "recording_ui.h"

namespace velmoraine::test {

class WizardFixture {
public:
    WizardFixture();

    // A path inside the test's folder.
    [[nodiscard]] QString path(const QString &name) const;
    // The main directory, as stored: it ends with a separator.
    [[nodiscard]] QString mainDirectory() const;

    // Writes bytes to a file of the test's folder (folders made as needed) and returns its path.
    QString writeFile(const QString &name, std::string_view bytes) const;
    static std::string readFile(const QString &path);
    static bool exists(const QString &path);

    // The text of a settings file of the configuration folder; empty when it does not exist.
    [[nodiscard]] std::string settingsText(std::string_view file) const;
    void writeSettings(std::string_view file, std::string_view text) const;

    // Creates the windows and runs the window set-up with the command-line text.
    TForm1::SetUpOutcome start(std::string_view commandLine = {});

    template <typename T> T *child(const char *objectName) const {
        return m_form->findChild<T *>(QString::fromLatin1(objectName));
    }
    [[nodiscard]] QString currentPage() const;
    void click(const char *objectName) const;

    RecordingUi ui;
    [[nodiscard]] TForm1 &form() const { return *m_form; }
    [[nodiscard]] TForm5 &chooser() const { return *m_chooser; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TForm5> m_chooser;
    std::unique_ptr<TForm1> m_form;
};

// PATH for the duration of a test.
class ScopedPath {
public:
    explicit ScopedPath(const QString &path);
    ~ScopedPath();
    ScopedPath(const ScopedPath &) = delete;
    ScopedPath &operator=(const ScopedPath &) = delete;

private:
    QByteArray m_saved;
};

// Every named control of `page` lies inside `frame` (a window holding the page, or the page
// itself), clear of its right edge, and every label and button shows its whole text.
void verifyNothingClipped(QWidget *page, QWidget *frame);

// A font family other than the shipped one, at the windows' pixel size: DejaVu Sans, which is
// wider than the face the layout was drawn with. Loaded from its file (scripts/setup.sh installs
// it), so the result does not depend on the machine's font configuration.
QFont secondFamilyFont();

// Draws `window` with secondFamilyFont() and lets its nested layouts settle: each layout asks
// its parent's to run again, one round of events per level.
void useSecondFamily(QWidget *window);

// The script model of the source tree.
std::string modelText();

// System text (page bytes, messages) as the windows show it.
QString qs(std::string_view text);

// The texts of a list's rows, top to bottom.
QStringList itemsOf(const QListWidget *list);

} // namespace velmoraine::test
