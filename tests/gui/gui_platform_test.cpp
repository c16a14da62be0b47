// The Qt side of the platform layer: page bytes to text and back, the set-up of the real
// dialogs, and the output box's round trip of the rewriter's bytes.
#include <array>

#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>

#include "core/base/files.h"
#include "core/base/texts.h"
#include "gui/output_page.h"
#include "gui/page_text.h"
#include "gui/ui_services.h"
#include "recording_ui.h"
#include "wizard_fixture.h"

using namespace velmoraine;
using gui::LineEnding;
using gui::PageEncoding;

namespace {

std::string allBytes() {
    std::string bytes;
    for (int value = 0; value < 256; ++value) {
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

// A literal's bytes, zero bytes included.
template <std::size_t N> std::string raw(const char (&text)[N]) { return std::string(text, N - 1); }

std::string roundTrip(std::string_view bytes) {
    const PageEncoding encoding = gui::detectEncoding(bytes);
    return gui::encodePage(gui::decodePage(bytes, encoding), encoding);
}

// An LF page after the rewriter: its own lines end in LF, the inserted block's in CR LF.
const std::string kLfPageWithBlock = "<html>\n<head>\n<title>caf\xC3\xA9</title>\r\n<script>\r\nx();\r\n</script>\r\n"
                                     "</head>\n<body>\n<form name=\"f\">\n</form>\n</body>\n</html>\n";

} // namespace

class GuiPlatformTest : public QObject {
    Q_OBJECT
private slots:
    void pageBytesAsText_data();
    void pageBytesAsText();
    void everyByteSurvivesWindows1252_data();
    void everyByteSurvivesWindows1252();
    void windows1252WritesOtherCharactersAsReferences_data();
    void windows1252WritesOtherCharactersAsReferences();
    void declaredCharsetReadOnlyWhenReversible_data();
    void declaredCharsetReadOnlyWhenReversible();
    void dominantLineEnding();
    void lineBreaksTakeTheDominantEnding();
    void uneditedBoxKeepsExactBytes_data();
    void uneditedBoxKeepsExactBytes();
    void editedBoxIsEncodedBackWithDominantEnding();
    void sourcePageStampAndEnding_data();
    void sourcePageStampAndEnding();
    void editedWindows1252BoxKeepsItsEncoding();
    void messageBoxSetUp();
    void errorBoxSetUp();
    void desktopLaunchReportsWhatFailsAtOnce_data();
    void desktopLaunchReportsWhatFailsAtOnce();
    void fileDialogSetUp();
    void defaultSuffix();
};

// Page bytes read as UTF-8 when they are valid UTF-8, byte order mark and zero bytes included,
// and as windows-1252 otherwise; either way the text gives back the same bytes.
void GuiPlatformTest::pageBytesAsText_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<bool>("utf8"); // else windows-1252
    QTest::addColumn<QString>("text");
    const auto bytes = [](const std::string &page) { return QByteArray::fromStdString(page); };
    QTest::newRow("valid UTF-8 is shown as UTF-8")
        << bytes("<p>Gr\xC3\xBC\xC3\x9F"
                 "e \xE2\x82\xAC \xF0\x9F\x98\x80</p>")
        << true
        << QStringLiteral("<p>Gr\u00FC\u00DFe \u20AC ") + QString::fromUcs4(U"\U0001F600", 1) + QStringLiteral("</p>");
    QTest::newRow("byte order mark survives")
        << bytes("\xEF\xBB\xBF<html></html>") << true << QStringLiteral("\uFEFF<html></html>");
    QTest::newRow("zero byte is an ordinary character")
        << bytes(raw("a\0b\r\n")) << true << QString::fromUtf16(u"a\0b\r\n", 5);
    // Invalid UTF-8 falls back to windows-1252.
    QTest::newRow("Latin-1 letter") << bytes("caf\xE9") << false << QStringLiteral("caf\u00E9");
    QTest::newRow("surrogate") << bytes("\xED\xA0\x80") << false << QStringLiteral("\u00ED\u00A0\u20AC");
    QTest::newRow("overlong slash") << bytes("\xC0\xAF") << false << QStringLiteral("\u00C0\u00AF");
    QTest::newRow("past U+10FFFF") << bytes("\xF4\x90\x80\x80") << false << QStringLiteral("\u00F4\u0090\u20AC\u20AC");
    QTest::newRow("sequence cut short") << bytes("ok \xE2\x82") << false << QStringLiteral("ok \u00E2\u201A");
    QTest::newRow("windows-1252 punctuation")
        << bytes("caf\xE9 \x80 \x93x\x94") << false << QStringLiteral("caf\u00E9 \u20AC \u201Cx\u201D");
}

void GuiPlatformTest::pageBytesAsText() {
    QFETCH(QByteArray, page);
    QFETCH(bool, utf8);
    QFETCH(QString, text);
    const std::string bytes = page.toStdString();
    const PageEncoding encoding = utf8 ? PageEncoding::Utf8 : PageEncoding::Windows1252;
    QCOMPARE(gui::detectEncoding(bytes), encoding);
    QCOMPARE(gui::decodePage(bytes, encoding), text);
    QCOMPARE(roundTrip(bytes), bytes);
}

// Each byte alone, between two other bytes, and all 256 in one page: the code page's character,
// and back. Bytes 0x80 to 0x9F are the code page's own; the rest are the Latin-1 characters.
void GuiPlatformTest::everyByteSurvivesWindows1252_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("character");
    // The five bytes the code page leaves unassigned read as the C1 control of the same number.
    constexpr std::array<char16_t, 32> high = {
        u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
        u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
        u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
        u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
    };
    for (int byte = 0; byte < 256; ++byte) {
        const char16_t character = byte >= 0x80 && byte < 0xA0 ? high[byte - 0x80] : char16_t(byte);
        QTest::addRow("0x%02X", byte) << byte << QString(QChar(character));
    }
}

void GuiPlatformTest::everyByteSurvivesWindows1252() {
    QFETCH(int, byte);
    QFETCH(QString, character);
    for (const std::string &bytes : {std::string(1, char(byte)), "a" + std::string(1, char(byte)) + "\x80"}) {
        const QString text = bytes.size() == 1 ? character : u'a' + character + u'\u20AC';
        QCOMPARE(gui::decodePage(bytes, PageEncoding::Windows1252), text);
        QCOMPARE(gui::encodePage(text, PageEncoding::Windows1252), bytes);
    }
    const std::string bytes = allBytes();
    QCOMPARE(gui::detectEncoding(bytes), PageEncoding::Windows1252);
    const QString text = gui::decodePage(bytes, PageEncoding::Windows1252);
    QCOMPARE(text.size(), qsizetype(256));
    QCOMPARE(text[byte], character[0]);
    QCOMPARE(gui::encodePage(text, PageEncoding::Windows1252), bytes);
}

// A character the code page lacks is written as a character reference, and the characters after
// it as before; there is nothing to refuse, so an exact write gives the same bytes.
void GuiPlatformTest::windows1252WritesOtherCharactersAsReferences_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("letters, euro sign, ideograph, emoji")
        << QStringLiteral("\u00E9\u20AC\u65E5") + QString::fromUcs4(U"\U0001F600", 1)
        << QByteArray("\xE9\x80&#26085;&#128512;");
    QTest::newRow("held characters after one that is not") << QStringLiteral("\u65E5\u00E9\u2122a\u0100\u0178")
                                                           << QByteArray("&#26085;\xE9\x99"
                                                                         "a&#256;\x9F");
    QTest::newRow("C1 controls the code page puts other characters on")
        << QStringLiteral("\u0080\u0081\u009F") << QByteArray("&#128;\x81&#159;");
    QTest::newRow("byte order mark") << QStringLiteral("\uFEFFx\uFEFF") << QByteArray("&#65279;x&#65279;");
    QTest::newRow("zero width space and soft hyphen") << QStringLiteral("\u200B\u00AD") << QByteArray("&#8203;\xAD");
    QTest::newRow("replacement character") << QStringLiteral("\uFFFD") << QByteArray("&#65533;");
    QTest::newRow("lone surrogates") << QString(QChar(0xD800)) + u'x' + QChar(0xDC00)
                                     << QByteArray("&#65533;x&#65533;");
    QTest::newRow("surrogate last") << u'x' + QString(QChar(0xD83D)) << QByteArray("x&#65533;");
}

void GuiPlatformTest::windows1252WritesOtherCharactersAsReferences() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(gui::encodePage(text, PageEncoding::Windows1252), bytes.toStdString());
    gui::Unencodable unencodable;
    QCOMPARE(gui::encodePageExactly(text, PageEncoding::Windows1252, unencodable), bytes.toStdString());
}

// A declared character set is used when it reads the bytes without a fault and gives them
// back; otherwise the page reads as a page without a declaration does.
void GuiPlatformTest::declaredCharsetReadOnlyWhenReversible_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("charset"); // empty: not a declared character set
    QTest::addColumn<bool>("utf8");       // without one: UTF-8, else windows-1252
    QTest::addColumn<QString>("shown");
    QTest::newRow("Shift_JIS") << QByteArray("<meta charset=\"Shift_JIS\">\x93\xfa") << QStringLiteral("Shift_JIS")
                               << false << QStringLiteral("\u65E5");
    QTest::newRow("x-sjis alias") << QByteArray("<meta charset=x-sjis>\x93\xfa") << QStringLiteral("x-sjis") << false
                                  << QStringLiteral("\u65E5");
    QTest::newRow("KOI8-R in http-equiv")
        << QByteArray("<meta http-equiv=Content-Type content=\"text/html; charset=koi8-r\">\xf0\xd2")
        << QStringLiteral("koi8-r") << false << QStringLiteral("\u041F\u0440");
    QTest::newRow("latin-1 reads as windows-1252")
        << QByteArray("<meta charset=iso-8859-1>\x80\xe9") << QStringLiteral("windows-1252") << false
        << QStringLiteral("\u20AC\u00E9");
    QTest::newRow("Shift_JIS with a broken pair")
        << QByteArray("<meta charset=Shift_JIS>\x93") << QString() << false << QStringLiteral("\u201C");
    QTest::newRow("unknown charset") << QByteArray("<meta charset=no-such-set>\xc3\xa9") << QString() << true
                                     << QStringLiteral("\u00E9");
    QTest::newRow("declared utf-8, Latin-1 bytes")
        << QByteArray("<meta charset=utf-8>\xe9") << QString() << false << QStringLiteral("\u00E9");
}

void GuiPlatformTest::declaredCharsetReadOnlyWhenReversible() {
    QFETCH(QByteArray, page);
    QFETCH(QString, charset);
    QFETCH(bool, utf8);
    QFETCH(QString, shown);
    const std::string bytes = page.toStdString();
    const PageEncoding encoding = gui::detectEncoding(bytes);
    const PageEncoding expected = charset.isEmpty() ? (utf8 ? PageEncoding::Utf8 : PageEncoding::Windows1252)
                                                    : PageEncoding::named(charset.toStdString());
    QCOMPARE(encoding.kind, expected.kind);
    QCOMPARE(QString::fromStdString(encoding.charset), charset);
    const QString text = gui::decodePage(bytes, encoding);
    QVERIFY2(text.endsWith(shown), qPrintable(text));
    QCOMPARE(gui::encodePage(text, encoding), bytes);
}

void GuiPlatformTest::dominantLineEnding() {
    QCOMPARE(gui::dominantLineEnding(kLfPageWithBlock), LineEnding::Lf);
    QCOMPARE(gui::dominantLineEnding("a\r\nb\r\nc\n"), LineEnding::CrLf);
    QCOMPARE(gui::dominantLineEnding("a\r\nb\n"), LineEnding::CrLf);
    QCOMPARE(gui::dominantLineEnding("no breaks"), LineEnding::CrLf);
    QCOMPARE(gui::dominantLineEnding("a\rb\rc\r\n"), LineEnding::Cr);
    // A CR before a CR LF is a lone one; an LF after a CR LF or before a CR is a lone one.
    QCOMPARE(gui::dominantLineEnding("a\r\r\nb\r"), LineEnding::Cr);
    QCOMPARE(gui::dominantLineEnding("a\r\n\nb\n"), LineEnding::Lf);
    QCOMPARE(gui::dominantLineEnding("a\n\rb"), LineEnding::Lf);
    QCOMPARE(gui::dominantLineEnding("\r"), LineEnding::Cr);
}

void GuiPlatformTest::lineBreaksTakeTheDominantEnding() {
    const QString text = QStringLiteral("a\r\nb\nc\rd\u2029e");
    QCOMPARE(gui::withLineEndings(text, LineEnding::Lf), QStringLiteral("a\nb\nc\nd\ne"));
    QCOMPARE(gui::withLineEndings(text, LineEnding::CrLf), QStringLiteral("a\r\nb\r\nc\r\nd\r\ne"));
}

void GuiPlatformTest::uneditedBoxKeepsExactBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("utf-8, LF page with CR LF block") << QByteArray::fromStdString(kLfPageWithBlock);
    QTest::newRow("windows-1252") << QByteArray("<p>caf\xE9 \x81\x8D\x8F\x90\x9D \x80</p>\r\n<p>\xA0</p>\r\n");
    QTest::newRow("zero byte") << QByteArray::fromStdString(raw("<p>a\0b</p>\r\n<p>\xA0</p>\n\r"));
    QTest::newRow("every byte") << QByteArray::fromStdString(allBytes());
    QTest::newRow("non-breaking space in utf-8") << QByteArray("a\xC2\xA0"
                                                               "b\r\n");
}

void GuiPlatformTest::uneditedBoxKeepsExactBytes() {
    QFETCH(QByteArray, bytes);
    test::RecordingUi ui;
    OutputPage page(ui);
    page.show();
    page.setOutput(bytes.toStdString(), bytes.toStdString());
    QCOMPARE(page.currentBytes(), bytes.toStdString());

    // Copy All hands over the same bytes, and the text as shown.
    QTest::mouseClick(page.findChild<QWidget *>(QStringLiteral("Button3")), Qt::LeftButton);
    QCOMPARE(ui.messageTexts(), QStringList{gui::fromSystemText(texts::kCopiedAll)});
    const PageEncoding encoding = gui::detectEncoding(bytes.toStdString());
    QCOMPARE(ui.clipboardTexts, QStringList{gui::decodePage(bytes.toStdString(), encoding)});

    // An edit that is undone leaves the box unedited again.
    auto *box = page.findChild<QPlainTextEdit *>(QStringLiteral("RichEdit1"));
    QTest::keyClicks(box, QStringLiteral("x"));
    QVERIFY(page.currentBytes() != bytes.toStdString());
    box->undo();
    QCOMPARE(page.currentBytes(), bytes.toStdString());
}

// The line ending and the stamp of the page the output was built from, for a page small enough
// to be read on the window's thread and one that is read beside it.
void GuiPlatformTest::sourcePageStampAndEnding_data() {
    QTest::addColumn<QByteArray>("source");
    const QByteArray lines = QByteArrayLiteral("<p>a line</p>\n<p>another</p>\r\n<p>and a third</p>\n");
    QTest::newRow("small page") << lines;
    QTest::newRow("two megabytes") << lines.repeated(2 * 1024 * 1024 / lines.size() + 1);
}

void GuiPlatformTest::sourcePageStampAndEnding() {
    QFETCH(QByteArray, source);
    const QTemporaryDir folder;
    const std::string path = gui::toNativePath(folder.filePath(QStringLiteral("page.htm")));
    QVERIFY(files::writeFileAtomically(path, source.toStdString()));
    test::RecordingUi ui;
    OutputPage page(ui);
    page.setSource(path, files::stampOf(source.toStdString()));
    page.setOutput(kLfPageWithBlock, source.toStdString());
    QCOMPARE(page.findChild<QPlainTextEdit *>(QStringLiteral("RichEdit1"))->toolTip(),
             gui::fromSystemText(texts::fill(texts::kLineEndingsTip, "LF")));
    const files::WriteOptions options = page.writeOptionsFor(path + ".new");
    QVERIFY(options.sourceUnchanged());
    QVERIFY(files::writeFileAtomically(path, source.toStdString() + "\n"));
    QVERIFY(!options.sourceUnchanged());
}

void GuiPlatformTest::editedBoxIsEncodedBackWithDominantEnding() {
    test::RecordingUi ui;
    OutputPage page(ui);
    page.show();
    const std::string source = "<html>\n<head>\n</head>\n<body>\n<form name=\"f\">\n</form>\n</body>\n</html>\n";
    page.setOutput(kLfPageWithBlock, source);
    auto *box = page.findChild<QPlainTextEdit *>(QStringLiteral("RichEdit1"));
    box->moveCursor(QTextCursor::Start);
    QTest::keyClicks(box, QStringLiteral("<!-- "));
    box->insertPlainText(QStringLiteral("\u00E9"));
    QTest::keyClicks(box, QStringLiteral(" -->"));
    std::string expected = "<!-- \xC3\xA9 -->" + kLfPageWithBlock;
    for (std::size_t at = expected.find("\r\n"); at != std::string::npos; at = expected.find("\r\n", at)) {
        expected.erase(at, 1);
    }
    QCOMPARE(page.currentBytes(), expected);
}

void GuiPlatformTest::editedWindows1252BoxKeepsItsEncoding() {
    test::RecordingUi ui;
    OutputPage page(ui);
    page.show();
    const std::string bytes = raw("<p>caf\xE9\0\x81</p>\r\n<p>\x93q\x94</p>\r\n");
    page.setOutput(bytes, bytes);
    auto *box = page.findChild<QPlainTextEdit *>(QStringLiteral("RichEdit1"));
    box->moveCursor(QTextCursor::End);
    box->insertPlainText(QStringLiteral("\u00FC\u65E5"));
    QCOMPARE(page.currentBytes(), bytes + "\xFC&#26085;");
}

void GuiPlatformTest::messageBoxSetUp() {
    QWidget owner;
    const auto box = gui::makeMessageBox(&owner, QStringLiteral("Your page must contain a <FORM> tag!"));
    QCOMPARE(box->windowTitle(), gui::fromSystemText(texts::kMessageTitle));
    QCOMPARE(box->icon(), QMessageBox::NoIcon);
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box->parentWidget(), &owner);
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QVERIFY(box->windowModality() != Qt::NonModal);
}

// The desktop's launches, with stand-in programs: a program that cannot be run, or ends within
// the first moment with a failure, has not opened anything; one still running then is left to
// run, detached from the wizard, without the call waiting for it.
void GuiPlatformTest::desktopLaunchReportsWhatFailsAtOnce_data() {
    QTest::addColumn<QByteArray>("script"); // empty: no such file; {ran}: records its parent and arguments
    QTest::addColumn<bool>("executable");
    QTest::addColumn<bool>("asBrowser"); // installed as xdg-open and asked to open an address
    QTest::addColumn<bool>("opened");

    const QByteArray record = "#!/bin/sh\nprintf '%s\\n' \"$PPID\" \"$@\" > \"{ran}\"\n";
    QTest::newRow("ends well at once") << record + "exit 0\n" << true << false << true;
    QTest::newRow("ends with a failure at once") << record + "exit 3\n" << true << false << false;
    QTest::newRow("killed at once") << record + "kill -9 $$\n" << true << false << false;
    QTest::newRow("still running after the first moment") << record + "sleep 3\nexit 1\n" << true << false << true;
    QTest::newRow("not executable") << record + "exit 0\n" << false << false << false;
    QTest::newRow("no such program") << QByteArray() << false << false << false;
    QTest::newRow("not a program") << QByteArray("plain text\n") << true << false << false;
    QTest::newRow("browser opens") << record + "exit 0\n" << true << true << true;
    QTest::newRow("no browser") << record + "exit 3\n" << true << true << false;
}

void GuiPlatformTest::desktopLaunchReportsWhatFailsAtOnce() {
    QFETCH(QByteArray, script);
    QFETCH(bool, executable);
    QFETCH(bool, asBrowser);
    QFETCH(bool, opened);

    const QTemporaryDir folder;
    const QString ran = folder.filePath(QStringLiteral("ran"));
    const QString program = folder.filePath(asBrowser ? QStringLiteral("xdg-open") : QStringLiteral("launcher"));
    if (!script.isEmpty()) {
        QFile file(program);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(script.replace("{ran}", QFile::encodeName(ran))) > 0);
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner |
                                    (executable ? QFileDevice::ExeOwner : QFileDevice::Permissions())));
    }
    const test::ScopedPath path(folder.path() + u':' + qEnvironmentVariable("PATH"));
    gui::DesktopUiServices desktop;
    const QUrl address(QStringLiteral("https://www.velmoraine.com/signup.html?from=wizard"));
    const QStringList arguments{QStringLiteral("DF9,/My Programs/qd.dat,vlsu"), QStringLiteral("second word")};
    QElapsedTimer clock;
    clock.start();
    const bool started = asBrowser ? desktop.openInBrowser(address) : desktop.startProgram(program, arguments);
    QVERIFY2(clock.elapsed() < 2000, "waited for the program");
    QCOMPARE(started, opened);
    if (opened) {
        QTRY_VERIFY(QFileInfo(ran).size() > 0);
        QFile file(ran);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(!lines.isEmpty());
        QVERIFY(lines.takeFirst().toLongLong() != QCoreApplication::applicationPid()); // not the wizard's child
        QCOMPARE(lines, asBrowser ? QStringList{QString::fromLatin1(address.toEncoded())} : arguments);
    }
}

void GuiPlatformTest::errorBoxSetUp() {
    const auto box = gui::makeErrorBox(nullptr, QStringLiteral("Cannot open file x"));
    QCOMPARE(box->windowTitle(), QStringLiteral("Velmoraine"));
    QCOMPARE(box->icon(), QMessageBox::Critical);
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box->text(), QStringLiteral("Cannot open file x"));
}

void GuiPlatformTest::fileDialogSetUp() {
    QWidget owner;
    const auto open = gui::makeOpenPageDialog(&owner, QDir::tempPath());
    QCOMPARE(open->nameFilters(), QStringList{QStringLiteral("HTML Files (*.htm* *.php *.asp)")});
    QCOMPARE(open->acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(open->fileMode(), QFileDialog::AnyFile);
    QCOMPARE(open->directory().absolutePath(), QDir(QDir::tempPath()).absolutePath());
    const auto save = gui::makeSavePageDialog(&owner);
    QCOMPARE(save->nameFilters(), open->nameFilters());
    QCOMPARE(save->acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(save->defaultSuffix(), QStringLiteral("htm"));
    QVERIFY(save->testOption(QFileDialog::DontConfirmOverwrite));
}

void GuiPlatformTest::defaultSuffix() {
    QCOMPARE(gui::withDefaultSuffix(QStringLiteral("/tmp/mypage"), QStringLiteral("htm")),
             QStringLiteral("/tmp/mypage.htm"));
    QCOMPARE(gui::withDefaultSuffix(QStringLiteral("/tmp/mypage.php"), QStringLiteral("htm")),
             QStringLiteral("/tmp/mypage.php"));
    QCOMPARE(gui::withDefaultSuffix(QStringLiteral("/tmp/v1.0/mypage"), QStringLiteral("htm")),
             QStringLiteral("/tmp/v1.0/mypage.htm"));
}

QTEST_MAIN(GuiPlatformTest)
#include "gui_platform_test.moc"
