// Page 2, the rule editor, driven through its widgets: Add and Remove, the kinds' messages,
// the proposals and presets, the page's layout, and a whole run whose page 3 equals the
// command-line tool's output for the same rules.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QVBoxLayout>

#include "core/base/texts.h"
#include "core/rules/rule_record.h"
#include "gui/link_label.h"
#include "gui/output_page.h"
#include "gui/page_text.h"
#include "gui/rule_editor_page.h"
#include "gui/window_look.h"
#include "recording_ui.h"
#include "wizard_fixture.h"

using namespace velmoraine;
using velmoraine::test::itemsOf;
using velmoraine::test::qs;

namespace {

int selectedRowOf(const QListWidget *list) {
    const QList<QListWidgetItem *> items = list->selectedItems();
    return items.isEmpty() ? -1 : list->row(items.constFirst());
}

void clickRow(QListWidget *list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

void doubleClickRow(QListWidget *list, int row) {
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

QStringList listOf(std::initializer_list<const char *> texts) {
    QStringList list;
    for (const char *text : texts) {
        list.append(QString::fromUtf8(text));
    }
    return list;
}

// Page 2 alone, in a window of the page area's size, over a form with the given fields.
class PageFixture {
public:
    explicit PageFixture(const std::vector<std::string> &fields, gui::PageEncoding encoding = gui::PageEncoding::Utf8) {
        m_window.setFont(gui::windowFont());
        auto *layout = new QVBoxLayout(&m_window);
        layout->setContentsMargins(0, 0, 0, 0);
        page = new RuleEditorPage(ui, &m_window);
        layout->addWidget(page);
        m_window.setFixedSize(539, 537);
        page->setFields(fields, encoding);
        m_window.show();
        QCoreApplication::processEvents();
    }

    template <typename T> T *child(const char *objectName) const {
        T *found = page->findChild<T *>(QString::fromLatin1(objectName));
        if (found == nullptr) {
            qFatal("no control %s", objectName);
        }
        return found;
    }
    [[nodiscard]] QWidget *window() { return &m_window; }

    // The user's actions.
    void pick(const QString &field) const {
        auto *list = child<QListWidget>("ComboBox1");
        const QList<QListWidgetItem *> found = list->findItems(field, Qt::MatchExactly);
        QVERIFY2(found.size() == 1, qPrintable(field));
        clickRow(list, list->row(found.constFirst()));
    }
    void click(const char *objectName) const { QTest::mouseClick(child<QWidget>(objectName), Qt::LeftButton); }
    void add() const { click("Button1"); }
    void type(const char *box, const QString &text) const { child<QLineEdit>(box)->setText(text); }
    [[nodiscard]] QString text(const char *box) const { return child<QLineEdit>(box)->text(); }
    [[nodiscard]] QStringList rules() const { return itemsOf(child<QListWidget>("ListBox2")); }
    [[nodiscard]] QStringList records() const { return itemsOf(child<QListWidget>("ListBox1")); }
    [[nodiscard]] QString selectedKind() const {
        for (const char *name : {"RadioNonBlank", "RadioEmail", "RadioNumberSeq", "RadioNumber"}) {
            if (child<QRadioButton>(name)->isChecked()) {
                return QString::fromLatin1(name);
            }
        }
        return {};
    }
    // Adds rules for the fields with the filled-in kind and the proposal's message.
    void addFilledIn(const QStringList &fields) const {
        for (const QString &field : fields) {
            pick(field);
            child<QRadioButton>("RadioNonBlank")->setChecked(true);
            add();
        }
    }

    test::RecordingUi ui;
    RuleEditorPage *page = nullptr;

private:
    QWidget m_window;
};

} // namespace

class RuleEditorTest : public QObject {
    Q_OBJECT

private slots:
    // Controls and layout.
    void controlsAtStart_data();
    void controlsAtStart();
    void startState();
    void optionsFormOneGroup();
    void keyboardOrder();
    void layoutFitsThePageArea_data();
    void layoutFitsThePageArea();
    void linesKeepTheirControlsTogether();

    // Add >>.
    void addTwiceLeavesOneRuleAndOneMessage();
    void addBuildsTheSelectedKindsRecord_data();
    void addBuildsTheSelectedKindsRecord();
    void addWithoutFieldDoesNothing();
    void specialCharactersInNames();
    void separatorsInSettingsAreRefused();
    void replacingKeepsThePlace();
    void boxesAreNotValidated();
    void pageBytesGoIntoRecords();

    // Remove and the list of rules.
    void removeSelectsTheNextRule_data();
    void removeSelectsTheNextRule();
    void removeWithNothingSelectedDoesNothing();
    void listSelectionByKeyboardEnablesRemove();

    // Kinds, proposals and presets.
    void kindMessages_data();
    void kindMessages();
    void proposals_data();
    void proposals();
    void proposalRunsTheKindHandlerFirst();
    void proposalByKeyboard();
    void clickOnTheSelectedFieldProposesAgain();
    void zipValuesStayAfterSwitchingToComments();
    void markupProposalFillsOnlyTheDeclaredBoxes();
    void storedRuleIsShownAsItIs();
    void presetsWithoutField_data();
    void presetsWithoutField();
    void presetWithFieldReplacesTheKindMessage();
    void doubleClickOnUnselectedFieldProposesThenAdds();
    void doubleClickWithoutEntryAddsTheSelectedField();

    // In the wizard.
    void pageScanEmptiesOnlyTheLists();
    void wholeRunMatchesTheCommandLine();
    void screenshots();
};

// --- Controls and layout ---

void RuleEditorTest::controlsAtStart_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    const std::pair<const char *, const char *> controls[] = {
        {"Label58", "Field Validation"},
        {"Label5", "This step allows you to add field validation to insure that your visitors enter the proper "
                   "information. For example, you make sure that certain fields are filled in, or check to be sure "
                   "an email address is formatted correctly."},
        {"Label59", "Click here for detailed help."},
        {"Label53", "If you don't want field validation, just press Continue to skip this step."},
        {"Label4", "Fields in Your Form"},
        {"Label7", "Fields you want to Validate"},
        {"Label43", "1."},
        {"Label6", "Choose a field to validate in the left list."},
        {"Button1", "Add >>"},
        {"Label44", "2."},
        {"Label41", "Specify the type of validation below."},
        {"Button2", "Remove"},
        {"Label45", "3."},
        {"Label42", "Click the Add >> button to add validation for the field."},
        {"RadioNonBlank", "The field must be &filled in with at least "},
        {"EditMin", "1"},
        {"Label29", "and not more than"},
        {"EditMax", "0"},
        {"Label8", "characters"},
        {"Label13", "(0 = no limit)"},
        {"RadioEmail", "The field must contain a valid  &E-mail address"},
        {"RadioNumberSeq", "The field contains a "},
        {"Label11", "phone number,"},
        {"Label18", "zip code,"},
        {"Label19", "date"},
        {"Label10", "or other sequence of digits with: "},
        {"Label23", "At least"},
        {"EditSeqMin", "10"},
        {"Label20", "and not more than"},
        {"EditSeqMax", "0"},
        {"Label21", "digits."},
        {"Label24", "Optional puctuation characters (allowed by not counted as digits):"},
        {"EditPunct", " ()-+"},
        {"Label27", "TIP: The links at the top will quickly set the values for a phone number, zip code or date. "},
        {"RadioNumber", "The field must contain a number value which is:"},
        {"Label25", "At least"},
        {"EditNumMin", "1"},
        {"Label26", "but not more than"},
        {"EditNumMax", "0"},
        {"Label35", "(0 = no limit)"},
        {"CheckBoxBlankOK", "The field may be left blank (non-required field)"},
        {"Label9", "This allows you to check the value of the field only if something is entered."},
        {"Label12", "Error message if the information entered is not correct:"},
        {"EditErrorMsg", ""},
    };
    for (const auto &[name, text] : controls) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(text);
    }
}

void RuleEditorTest::controlsAtStart() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    PageFixture f({});
    auto *control = f.page->findChild<QWidget *>(name);
    QVERIFY(control != nullptr);
    QString shown;
    if (auto *label = qobject_cast<QLabel *>(control)) {
        shown = label->text();
    } else if (auto *button = qobject_cast<QAbstractButton *>(control)) {
        shown = button->text();
    } else if (auto *box = qobject_cast<QLineEdit *>(control)) {
        shown = box->text();
        QCOMPARE(box->maxLength(), 32767); // no limit of its own
        QVERIFY(!box->isReadOnly());
    }
    QCOMPARE(shown, text);
    QVERIFY(control->isVisible());
    QCOMPARE(control->isEnabled(), name != QStringLiteral("Button2"));
}

void RuleEditorTest::startState() {
    PageFixture f({"name"});
    QCOMPARE(f.page->objectName(), QStringLiteral("TabSheet2"));
    QCOMPARE(f.page->windowTitle(), QStringLiteral("2. Validate Fields"));
    QCOMPARE(f.selectedKind(), QStringLiteral("RadioNonBlank"));
    QVERIFY(!f.child<QCheckBox>("CheckBoxBlankOK")->isChecked());
    QVERIFY(f.rules().isEmpty());
    QVERIFY(f.records().isEmpty());
    QVERIFY(f.child<QListWidget>("ListBox1")->isHidden());
    QCOMPARE(selectedRowOf(f.child<QListWidget>("ComboBox1")), -1);
    QVERIFY(f.child<QLabel>("Label58")->font().bold());
    for (const char *link : {"Label59", "Label11", "Label18", "Label19"}) {
        auto *label = f.child<gui::LinkLabel>(link);
        QVERIFY(label->font().underline());
        QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::blue));
    }
    QVERIFY(f.ui.messages.isEmpty());
}

void RuleEditorTest::optionsFormOneGroup() {
    PageFixture f({});
    auto *option = f.child<QRadioButton>("RadioEmail");
    QVERIFY(option->group() != nullptr);
    QVERIFY(option->group()->exclusive());
    QCOMPARE(option->group()->buttons().size(), 4);
    for (const char *name : {"RadioNonBlank", "RadioNumberSeq", "RadioNumber"}) {
        QCOMPARE(f.child<QRadioButton>(name)->group(), option->group());
    }
    f.click("RadioNumber");
    QCOMPARE(f.selectedKind(), QStringLiteral("RadioNumber"));
    QCOMPARE(option->group()->checkedButton(), f.child<QRadioButton>("RadioNumber"));
    // No box is disabled or hidden, whatever kind is chosen.
    for (QLineEdit *box : f.page->findChildren<QLineEdit *>()) {
        QVERIFY2(box->isEnabled() && box->isVisible(), qPrintable(box->objectName()));
    }
}

void RuleEditorTest::keyboardOrder() {
    PageFixture f({});
    const QStringList order{
        QStringLiteral("RadioNonBlank"), QStringLiteral("RadioEmail"),      QStringLiteral("RadioNumberSeq"),
        QStringLiteral("EditMin"),       QStringLiteral("EditMax"),         QStringLiteral("RadioNumber"),
        QStringLiteral("EditNumMin"),    QStringLiteral("CheckBoxBlankOK"), QStringLiteral("ComboBox1"),
        QStringLiteral("ListBox2"),      QStringLiteral("Button1"),         QStringLiteral("Button2"),
        QStringLiteral("EditSeqMin"),    QStringLiteral("EditSeqMax"),      QStringLiteral("EditPunct"),
        QStringLiteral("EditNumMax"),    QStringLiteral("EditErrorMsg")};
    // The declared chain. Tab stops only at the selected option of the group; the arrow keys
    // move between the options.
    QStringList chain;
    QWidget *widget = f.child<QWidget>("RadioNonBlank");
    do {
        if (order.contains(widget->objectName())) {
            chain.append(widget->objectName());
        }
        widget = widget->nextInFocusChain();
    } while (widget != f.child<QWidget>("RadioNonBlank"));
    QCOMPARE(chain, order);

    // Pressing Tab follows it.
    QApplication::setActiveWindow(f.window());
    f.child<QCheckBox>("CheckBoxBlankOK")->setFocus();
    for (const char *next : {"ComboBox1", "ListBox2", "Button1", "EditSeqMin"}) { // Remove is disabled
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(next));
    }
}

// With the shipped face, and with a wider family whose text wraps into the gaps between lines.
void RuleEditorTest::layoutFitsThePageArea_data() {
    QTest::addColumn<bool>("secondFamily");
    QTest::newRow("shipped face") << false;
    QTest::newRow("second family") << true;
}

void RuleEditorTest::layoutFitsThePageArea() {
    QFETCH(bool, secondFamily);
    PageFixture f({"fullname", "email"});
    if (secondFamily) {
        test::useSecondFamily(f.window());
    }
    QVERIFY(f.page->minimumSizeHint().width() <= 539);
    QVERIFY(f.page->minimumSizeHint().height() <= 537);
    test::verifyNothingClipped(f.page, f.page);
}

// The controls of one line share it, left to right; lines follow each other down the page.
void RuleEditorTest::linesKeepTheirControlsTogether() {
    PageFixture f({});
    const auto rectOf = [&](const char *name) {
        QWidget *widget = f.child<QWidget>(name);
        return QRect(widget->mapTo(f.page, QPoint(0, 0)), widget->size());
    };
    const std::vector<std::vector<const char *>> lines = {
        {"Label53", "Label59"},
        {"Label4", "Label7"},
        {"ComboBox1", "Button1", "ListBox2", "Label6"},
        {"RadioNonBlank", "EditMin", "Label29", "EditMax", "Label8", "Label13"},
        {"RadioEmail"},
        {"RadioNumberSeq", "Label11", "Label18", "Label19", "Label10"},
        {"Label23", "EditSeqMin", "Label20", "EditSeqMax", "Label21"},
        {"Label24", "EditPunct"},
        {"Label27"},
        {"RadioNumber"},
        {"Label25", "EditNumMin", "Label26", "EditNumMax", "Label35"},
        {"CheckBoxBlankOK"},
        {"Label9"},
        {"Label12"},
        {"EditErrorMsg"},
    };
    int previousBottom = -1;
    for (const auto &controls : lines) {
        int lineTop = INT_MAX;
        int lineBottom = -1;
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const QRect rect = rectOf(controls[i]);
            lineTop = std::min(lineTop, rect.top());
            lineBottom = std::max(lineBottom, rect.bottom());
            if (i > 0) {
                const QRect before = rectOf(controls[i - 1]);
                QVERIFY2(before.right() < rect.left(), controls[i]);
                QVERIFY2(rect.top() <= before.bottom() && before.top() <= rect.bottom(), controls[i]);
            }
        }
        QVERIFY2(lineTop > previousBottom, controls.front());
        previousBottom = lineBottom;
    }
    // The numbered steps stand on the right, one under the other, beside the lists.
    QVERIFY(rectOf("Label43").right() < rectOf("Label6").left());
    QVERIFY(rectOf("Label6").bottom() < rectOf("Label41").top());
    QVERIFY(rectOf("Label41").bottom() < rectOf("Label42").top());
    QVERIFY(rectOf("Label42").bottom() < rectOf("Panel2").top());
    QVERIFY(rectOf("Button1").bottom() < rectOf("Button2").top());
    QVERIFY(rectOf("ListBox2").bottom() < rectOf("Panel2").top());
}

// --- Add >> ---

void RuleEditorTest::addTwiceLeavesOneRuleAndOneMessage() {
    PageFixture f({"name", "email"});
    f.pick(QStringLiteral("name"));
    QCOMPARE(f.text("EditErrorMsg"), QStringLiteral("Field \"name\" must be filled in."));
    f.add();
    QCOMPARE(f.rules(), QStringList{QStringLiteral("name (filled-in)")});
    QCOMPARE(f.records(), QStringList{QStringLiteral("name^0^1^0^0^Field \"name\" must be filled in.")});
    QVERIFY(f.ui.messages.isEmpty());
    // Nothing on the page is reset, and the rule list gains no selection.
    QCOMPARE(f.text("EditErrorMsg"), QStringLiteral("Field \"name\" must be filled in."));
    QCOMPARE(selectedRowOf(f.child<QListWidget>("ListBox2")), -1);
    QVERIFY(!f.child<QPushButton>("Button2")->isEnabled());

    f.add();
    QCOMPARE(f.rules().size(), 1);
    QCOMPARE(f.records().size(), 1);
    QCOMPARE(f.ui.messageTexts(),
             QStringList{QStringLiteral("Validation settings for field \"name\" have been updated.")});
    QCOMPARE(f.ui.messages.front().owner, f.window());
}

void RuleEditorTest::addBuildsTheSelectedKindsRecord_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("blank");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("record");
    QTest::newRow("filled in") << "RadioNonBlank" << false << "x (filled-in)"
                               << "x^0^2^40^0^msg";
    QTest::newRow("e-mail, blank allowed") << "RadioEmail" << true << "x (email address)"
                                           << "x^1^1^msg";
    QTest::newRow("digits") << "RadioNumberSeq" << false << "x (number sequence)"
                            << "x^2^7^8^./^0^msg";
    QTest::newRow("number, blank allowed") << "RadioNumber" << true << "x (number value)"
                                           << "x^3^-5^500^1^msg";
}

void RuleEditorTest::addBuildsTheSelectedKindsRecord() {
    QFETCH(QString, option);
    QFETCH(bool, blank);
    QFETCH(QString, display);
    QFETCH(QString, record);
    PageFixture f({"x"});
    f.pick(QStringLiteral("x"));
    f.type("EditMin", QStringLiteral("2"));
    f.type("EditMax", QStringLiteral("40"));
    f.type("EditSeqMin", QStringLiteral("7"));
    f.type("EditSeqMax", QStringLiteral("8"));
    f.type("EditPunct", QStringLiteral("./"));
    f.type("EditNumMin", QStringLiteral("-5"));
    f.type("EditNumMax", QStringLiteral("500"));
    f.click(option.toLatin1().constData());
    f.child<QCheckBox>("CheckBoxBlankOK")->setChecked(blank);
    f.type("EditErrorMsg", QStringLiteral("msg"));
    f.add();
    QCOMPARE(f.rules(), QStringList{display});
    QCOMPARE(f.records(), QStringList{record});
    QCOMPARE(f.page->rules().records(), std::vector<std::string>{record.toStdString()});
}

void RuleEditorTest::addWithoutFieldDoesNothing() {
    PageFixture f({"name"});
    f.add();
    QVERIFY(f.rules().isEmpty());
    QVERIFY(f.ui.messages.isEmpty());
}

void RuleEditorTest::specialCharactersInNames() {
    PageFixture f({"first name", "first.name", "it's", "first-name", "first_name"});
    for (const QString &refused :
         {QStringLiteral("first name"), QStringLiteral("first.name"), QStringLiteral("it's")}) {
        f.ui.messages.clear();
        f.pick(refused);
        f.add();
        QCOMPARE(f.ui.messageTexts(), QStringList{qs(texts::kSpecialCharacterInName)});
    }
    QVERIFY(f.rules().isEmpty());
    f.ui.messages.clear();
    f.addFilledIn({QStringLiteral("first-name"), QStringLiteral("first_name")});
    QCOMPARE(f.rules(),
             QStringList({QStringLiteral("first-name (filled-in)"), QStringLiteral("first_name (filled-in)")}));
    QVERIFY(f.ui.messages.isEmpty());
}

void RuleEditorTest::separatorsInSettingsAreRefused() {
    PageFixture f({"x"});
    f.pick(QStringLiteral("x"));
    for (const QString &message :
         {QStringLiteral("a^b"), QStringLiteral("a:;b"), QStringLiteral("a*/b"), QStringLiteral("a</b")}) {
        f.ui.messages.clear();
        f.type("EditErrorMsg", message);
        f.add();
        QCOMPARE(f.ui.messageTexts(), QStringList{qs(texts::kSeparatorInSettings)});
    }
    f.click("RadioNumberSeq");
    f.type("EditErrorMsg", QStringLiteral("ok"));
    f.type("EditPunct", QStringLiteral("^"));
    f.ui.messages.clear();
    f.add();
    QCOMPARE(f.ui.messageTexts(), QStringList{qs(texts::kSeparatorInSettings)});
    QVERIFY(f.rules().isEmpty());

    // Only the chosen kind's boxes go into the record, so only they are looked at.
    f.click("RadioNumber");
    f.type("EditErrorMsg", QStringLiteral("ok"));
    f.ui.messages.clear();
    f.add();
    QVERIFY(f.ui.messages.isEmpty());
    QCOMPARE(f.records(), QStringList{QStringLiteral("x^3^1^0^0^ok")});
}

void RuleEditorTest::replacingKeepsThePlace() {
    PageFixture f({"lastname", "name", "a", "b", "c"});
    f.addFilledIn({QStringLiteral("lastname"), QStringLiteral("name")});
    f.pick(QStringLiteral("name"));
    f.click("RadioEmail");
    f.add();
    QCOMPARE(f.rules(), QStringList({QStringLiteral("lastname (filled-in)"), QStringLiteral("name (email address)")}));
    QCOMPARE(f.records(), QStringList({QStringLiteral("lastname^0^1^0^0^Field \"lastname\" must be filled in."),
                                       QStringLiteral("name^1^0^Please enter a valid email address")}));
    QCOMPARE(f.ui.messageTexts(),
             QStringList{QStringLiteral("Validation settings for field \"name\" have been updated.")});

    // The third of five stays third in both lists.
    f.addFilledIn({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    f.pick(QStringLiteral("a"));
    f.click("RadioNumber");
    f.add();
    QCOMPARE(f.rules().at(2), QStringLiteral("a (number value)"));
    QCOMPARE(f.records().at(2), QStringLiteral("a^3^1^0^0^Field 'a' must contain a valid number."));
    QCOMPARE(f.rules().size(), 5);
    QCOMPARE(f.records().size(), 5);
}

void RuleEditorTest::boxesAreNotValidated() {
    PageFixture f({"x"});
    f.pick(QStringLiteral("x"));
    f.type("EditMin", QString());
    f.type("EditMax", QStringLiteral("abc"));
    f.type("EditErrorMsg", QString());
    f.add();
    QCOMPARE(f.records(), QStringList{QStringLiteral("x^0^^abc^0^")});
    QVERIFY(f.ui.messages.isEmpty());
}

// A windows-1252 page: the field's bytes go into the record unchanged, and the boxes' text
// goes in as that page's bytes.
void RuleEditorTest::pageBytesGoIntoRecords() {
    PageFixture f({"caf\xE9"}, gui::PageEncoding::Windows1252);
    const QString field = QStringLiteral("caf\u00E9");
    f.pick(field);
    QCOMPARE(f.text("EditErrorMsg"), QStringLiteral("Field \"caf\u00E9\" must be filled in."));
    f.type("EditErrorMsg", QStringLiteral("Entr\u00E9e requise"));
    f.add();
    QCOMPARE(f.page->rules().records(), std::vector<std::string>{"caf\xE9^0^1^0^0^Entr\xE9"
                                                                 "e requise"});
    QCOMPARE(f.rules(), QStringList{QStringLiteral("caf\u00E9 (filled-in)")});
    f.add();
    QCOMPARE(f.ui.messageTexts(),
             QStringList{QStringLiteral("Validation settings for field \"caf\u00E9\" have been updated.")});
}

// --- Remove and the list of rules ---

// Remove takes the selected rule out of both lists and selects the one now in its place, or the
// new last; pressed on, it empties the list, and the field list keeps its selection.
void RuleEditorTest::removeSelectsTheNextRule_data() {
    QTest::addColumn<QString>("fields"); // a letter a field, each with a filled-in rule
    QTest::addColumn<int>("clicked");
    QTest::addColumn<QString>("left");
    QTest::addColumn<int>("selected"); // afterwards; -1: nothing
    QTest::newRow("the last selects the new last") << QStringLiteral("abc") << 2 << QStringLiteral("ab") << 1;
    QTest::newRow("the only leaves nothing selected") << QStringLiteral("a") << 0 << QString() << -1;
    QTest::newRow("in the middle selects the next") << QStringLiteral("abc") << 1 << QStringLiteral("ac") << 1;
}

void RuleEditorTest::removeSelectsTheNextRule() {
    QFETCH(QString, fields);
    QFETCH(int, clicked);
    QFETCH(QString, left);
    QFETCH(int, selected);
    const auto each = [](const QString &letters, const char *pattern) {
        QStringList out;
        for (const QChar letter : letters) {
            out.append(QString::fromLatin1(pattern).arg(letter));
        }
        return out;
    };
    std::vector<std::string> names;
    for (const QString &name : each(fields, "%1")) {
        names.push_back(name.toStdString());
    }
    PageFixture f(names);
    f.addFilledIn(each(fields, "%1"));
    auto *list = f.child<QListWidget>("ListBox2");
    auto *remove = f.child<QPushButton>("Button2");
    QVERIFY(!remove->isEnabled());
    clickRow(list, clicked);
    QVERIFY(remove->isEnabled());
    f.click("Button2");
    QCOMPARE(f.rules(), each(left, "%1 (filled-in)"));
    QCOMPARE(f.records(), each(left, "%1^0^1^0^0^Field \"%1\" must be filled in."));
    QCOMPARE(f.page->rules().size(), static_cast<std::size_t>(left.size()));
    QCOMPARE(selectedRowOf(list), selected);
    QCOMPARE(remove->isEnabled(), selected != -1);
    for (qsizetype i = 0; i < left.size(); ++i) {
        f.click("Button2");
    }
    QVERIFY(f.rules().isEmpty());
    QVERIFY(f.records().isEmpty());
    QVERIFY(!remove->isEnabled());
    // Clicking the rule chose its field: Add adds that field's rule again.
    f.add();
    QCOMPARE(f.rules(), each(fields.mid(clicked, 1), "%1 (filled-in)"));
}

void RuleEditorTest::removeWithNothingSelectedDoesNothing() {
    PageFixture f({"a"});
    f.addFilledIn({QStringLiteral("a")});
    f.child<QPushButton>("Button2")->setEnabled(true); // as a page scan may leave it
    f.click("Button2");
    QCOMPARE(f.rules().size(), 1);
    QVERIFY(f.child<QPushButton>("Button2")->isEnabled());
}

void RuleEditorTest::listSelectionByKeyboardEnablesRemove() {
    PageFixture f({"a", "b"});
    f.addFilledIn({QStringLiteral("a"), QStringLiteral("b")});
    auto *list = f.child<QListWidget>("ListBox2");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(selectedRowOf(list), 1);
    QVERIFY(f.child<QPushButton>("Button2")->isEnabled());
    f.click("Button2");
    QCOMPARE(f.rules(), QStringList{QStringLiteral("a (filled-in)")});
}

// --- Kinds, proposals and presets ---

// The options clicked in turn, with a message typed between clicks: a click on another kind
// writes that kind's message (the e-mail kind's even without a field), a click on the option
// already selected keeps what the box holds. The other boxes keep what they held.
void RuleEditorTest::kindMessages_data() {
    QTest::addColumn<QString>("field");        // empty: none picked
    QTest::addColumn<QStringList>("steps");    // an option to click, or else a message to type
    QTest::addColumn<QStringList>("messages"); // after each click
    const char *email = "Please enter a valid email address";
    // The proposal chose the number kind first.
    QTest::newRow("kind messages") << QStringLiteral("qty")
                                   << listOf({"RadioNonBlank", "RadioEmail", "RadioNumberSeq", "RadioNumber"})
                                   << listOf({"Field \"qty\" must be filled in.", email,
                                              "The value in field \"qty\" is not valid.",
                                              "Field 'qty' must contain a valid number."});
    QTest::newRow("already selected option keeps the message")
        << QStringLiteral("name")
        << listOf({"Your name, please.", "RadioNonBlank", "RadioEmail", "typed", "RadioEmail"})
        << listOf({"Your name, please.", email, "typed"});
    QTest::newRow("e-mail kind without field sets its message")
        << QString() << listOf({"kept", "RadioNumber", "RadioNumberSeq", "RadioNonBlank", "RadioEmail"})
        << listOf({"kept", "kept", "kept", email});
}

void RuleEditorTest::kindMessages() {
    QFETCH(QString, field);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, messages);
    PageFixture f({field.isEmpty() ? std::string("name") : field.toStdString()});
    if (!field.isEmpty()) {
        f.pick(field);
    }
    QStringList shown;
    for (const QString &step : steps) {
        if (!step.startsWith(QStringLiteral("Radio"))) {
            f.type("EditErrorMsg", step);
            continue;
        }
        f.click(step.toLatin1().constData());
        QCOMPARE(f.selectedKind(), step);
        shown.append(f.text("EditErrorMsg"));
    }
    QCOMPARE(shown, messages);
    QCOMPARE(f.text("EditSeqMin"), QStringLiteral("10"));
    QCOMPARE(f.text("EditPunct"), QStringLiteral(" ()-+"));
    QVERIFY(f.rules().isEmpty());
    QVERIFY(f.ui.messages.isEmpty());
}

void RuleEditorTest::proposals_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("sequence"); // EditSeqMin, EditSeqMax, EditPunct afterwards

    const QString email = QStringLiteral("Please enter a valid email address.");
    const QStringList untouched{QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("#")};
    const QStringList zip{QStringLiteral("5"), QStringLiteral("9"), QStringLiteral("-")};
    const QStringList phone{QStringLiteral("10"), QStringLiteral("10"), QStringLiteral(" ()-+")};
    const QStringList date{QStringLiteral("6"), QStringLiteral("6"), QStringLiteral("-/")};
    const QString zipMessage = QStringLiteral("Please enter a valid zip code.");
    const QString phoneMessage = QStringLiteral("Please enter a valid phone number with area code.");
    const QString dateMessage = QStringLiteral("Please enter a date in the format dd/mm/yy.");
    const auto number = [](const char *name) {
        return QStringLiteral("Field \"%1\" must contain a valid number.").arg(QString::fromLatin1(name));
    };
    const auto filled = [](const char *name) {
        return QStringLiteral("Field \"%1\" must be filled in.").arg(QString::fromLatin1(name));
    };

    const auto row = [](const char *field, const char *option, const QString &message, const QStringList &sequence) {
        QTest::newRow(field) << QString::fromLatin1(field) << QString::fromLatin1(option) << message << sequence;
    };
    row("Email", "RadioEmail", email, untouched);
    row("E-Mail", "RadioEmail", email, untouched);
    row("your_e_mail", "RadioEmail", email, untouched);
    row("email_zip", "RadioEmail", email, untouched); // e-mail comes first
    row("mail", "RadioNonBlank", filled("mail"), untouched);
    row("ZIP", "RadioNumberSeq", zipMessage, zip);
    row("zipcode", "RadioNumberSeq", zipMessage, zip);
    row("zip_phone", "RadioNumberSeq", zipMessage, zip);      // zip before phone
    row("fax_number", "RadioNumberSeq", phoneMessage, phone); // phone before number
    row("HomePhone", "RadioNumberSeq", phoneMessage, phone);
    row("phone_date", "RadioNumberSeq", phoneMessage, phone); // phone before date
    row("update", "RadioNumberSeq", dateMessage, date);
    row("candidate", "RadioNumberSeq", dateMessage, date);
    row("date_num", "RadioNumberSeq", dateMessage, date); // date before number
    row("message", "RadioNumber", number("message"), untouched);
    row("page", "RadioNumber", number("page"), untouched);
    row("language", "RadioNumber", number("language"), untouched);
    row("number", "RadioNumber", number("number"), untouched);
    row("Quantity", "RadioNumber", number("Quantity"), untouched);
    row("QTY", "RadioNumber", number("QTY"), untouched);
    row("UnitPrice", "RadioNumber", number("UnitPrice"), untouched);
    row("FirstName", "RadioNonBlank", filled("FirstName"), untouched); // the name keeps its capitals
}

void RuleEditorTest::proposals() {
    QFETCH(QString, field);
    QFETCH(QString, option);
    QFETCH(QString, message);
    QFETCH(QStringList, sequence);
    PageFixture f({"other", field.toStdString()});
    // Limits and the blank flag the field does not declare go back to their start values;
    // sequence values are replaced only for the proposal's own rows.
    f.type("EditMin", QStringLiteral("2"));
    f.type("EditMax", QStringLiteral("9"));
    f.type("EditNumMin", QStringLiteral("-1"));
    f.type("EditNumMax", QStringLiteral("99"));
    f.type("EditSeqMin", QStringLiteral("3"));
    f.type("EditSeqMax", QStringLiteral("4"));
    f.type("EditPunct", QStringLiteral("#"));
    f.child<QCheckBox>("CheckBoxBlankOK")->setChecked(true);
    f.pick(field);
    QCOMPARE(f.selectedKind(), option);
    QCOMPARE(f.text("EditErrorMsg"), message);
    QCOMPARE(QStringList({f.text("EditSeqMin"), f.text("EditSeqMax"), f.text("EditPunct")}), sequence);
    QCOMPARE(QStringList({f.text("EditMin"), f.text("EditMax"), f.text("EditNumMin"), f.text("EditNumMax")}),
             listOf({"1", "0", "1", "0"}));
    QVERIFY(!f.child<QCheckBox>("CheckBoxBlankOK")->isChecked());
    QVERIFY(f.rules().isEmpty());
    QVERIFY(f.ui.messages.isEmpty());
}

// When the proposal changes the kind, the kind's own message comes first, then the proposal's.
void RuleEditorTest::proposalRunsTheKindHandlerFirst() {
    PageFixture f({"qty", "phone"});
    QSignalSpy written(f.child<QLineEdit>("EditErrorMsg"), &QLineEdit::textChanged);
    f.pick(QStringLiteral("qty"));
    QCOMPARE(written.size(), 2);
    QCOMPARE(written.at(0).at(0).toString(), QStringLiteral("Field 'qty' must contain a valid number."));
    QCOMPARE(written.at(1).at(0).toString(), QStringLiteral("Field \"qty\" must contain a valid number."));
    written.clear();
    f.pick(QStringLiteral("phone"));
    QCOMPARE(written.size(), 2);
    QCOMPARE(written.at(0).at(0).toString(), QStringLiteral("The value in field \"phone\" is not valid."));
    QCOMPARE(written.at(1).at(0).toString(), QStringLiteral("Please enter a valid phone number with area code."));
}

void RuleEditorTest::proposalByKeyboard() {
    PageFixture f({"name", "email", "zip"});
    auto *list = f.child<QListWidget>("ComboBox1");
    f.pick(QStringLiteral("name"));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(selectedRowOf(list), 1);
    QCOMPARE(f.selectedKind(), QStringLiteral("RadioEmail"));
    QCOMPARE(f.text("EditErrorMsg"), QStringLiteral("Please enter a valid email address."));
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(f.selectedKind(), QStringLiteral("RadioNumberSeq"));
    QCOMPARE(f.text("EditSeqMax"), QStringLiteral("9"));
}

// A click on the field that is already selected proposes again; a selection made by code does not.
void RuleEditorTest::clickOnTheSelectedFieldProposesAgain() {
    PageFixture f({"name", "other"});
    f.pick(QStringLiteral("name"));
    f.type("EditErrorMsg", QStringLiteral("typed"));
    f.pick(QStringLiteral("name"));
    QCOMPARE(f.text("EditErrorMsg"), QStringLiteral("Field \"name\" must be filled in."));
    f.type("EditErrorMsg", QStringLiteral("typed"));
    f.child<QListWidget>("ComboBox1")->setCurrentRow(1);
    QCOMPARE(f.text("EditErrorMsg"), QStringLiteral("typed"));
}

void RuleEditorTest::zipValuesStayAfterSwitchingToComments() {
    PageFixture f({"zip", "comments"});
    f.pick(QStringLiteral("zip"));
    f.pick(QStringLiteral("comments"));
    QCOMPARE(f.selectedKind(), QStringLiteral("RadioNonBlank"));
    QCOMPARE(f.text("EditErrorMsg"), QStringLiteral("Field \"comments\" must be filled in."));
    QCOMPARE(f.text("EditSeqMin"), QStringLiteral("5"));
    QCOMPARE(f.text("EditSeqMax"), QStringLiteral("9"));
    QCOMPARE(f.text("EditPunct"), QStringLiteral("-"));
}

void RuleEditorTest::markupProposalFillsOnlyTheDeclaredBoxes() {
    PageFixture f({});
    using Attribute = rules::FieldMarkup::Attribute;
    rules::FieldMarkup contact = rules::FieldMarkup().with(Attribute::Type, "email").with(Attribute::MaxLength, "40");
    contact.required = true;
    rules::MarkupByField markup;
    markup.add(0, contact);
    markup.add(
        1, rules::FieldMarkup().with(Attribute::Type, "number").with(Attribute::Min, "1").with(Attribute::Max, "10"));
    f.page->setFields({"contact", "qty", "zip"}, gui::PageEncoding::Utf8, markup);
    f.type("EditMin", QStringLiteral("3"));
    f.child<QCheckBox>("CheckBoxBlankOK")->setChecked(true);

    f.pick(QStringLiteral("contact"));
    QCOMPARE(f.selectedKind(), QStringLiteral("RadioEmail"));
    QCOMPARE(f.text("EditErrorMsg"), QStringLiteral("Please enter a valid email address."));
    QVERIFY(!f.child<QCheckBox>("CheckBoxBlankOK")->isChecked());
    QCOMPARE(f.text("EditMax"), QStringLiteral("40"));
    QCOMPARE(f.text("EditMin"), QStringLiteral("1")); // not declared: as it starts

    f.pick(QStringLiteral("qty"));
    QCOMPARE(f.selectedKind(), QStringLiteral("RadioNumber"));
    QCOMPARE(QStringList({f.text("EditNumMin"), f.text("EditNumMax")}),
             QStringList({QStringLiteral("1"), QStringLiteral("10")}));

    // No markup: the name's proposal, and no limit or blank flag of the field before.
    f.child<QCheckBox>("CheckBoxBlankOK")->setChecked(true);
    f.pick(QStringLiteral("zip"));
    QCOMPARE(f.text("EditErrorMsg"), QStringLiteral("Please enter a valid zip code."));
    QVERIFY(!f.child<QCheckBox>("CheckBoxBlankOK")->isChecked());
    QCOMPARE(f.text("EditNumMax"), QStringLiteral("0"));
}

// A field that has a rule shows the rule as stored, whether its field or the rule is clicked,
// and Add gives the same record back; a field without one gets its proposal, with no limit of
// the field clicked before.
void RuleEditorTest::storedRuleIsShownAsItIs() {
    PageFixture f({});
    using Attribute = rules::FieldMarkup::Attribute;
    rules::MarkupByField markup;
    markup.add(0, rules::FieldMarkup().with(Attribute::MinLength, "4").with(Attribute::MaxLength, "6"));
    markup.add(1, rules::FieldMarkup().with(Attribute::Type, "url"));
    f.page->setFields({"email", "phone", "age"}, gui::PageEncoding::Utf8, markup);
    const std::vector<std::string> records = {"phone^2^7^12^ ()-^1^Your phone, please", "age^3^18^99^0^Your age"};
    rules::RuleList stored;
    for (const std::string &record : records) {
        stored.addOrReplace(rules::recordFieldName(record), record, rules::restoredDisplayText(record));
    }
    f.page->setRules(stored);

    f.pick(QStringLiteral("email"));
    QCOMPARE(QStringList({f.text("EditMin"), f.text("EditMax")}), listOf({"4", "6"}));
    struct Shown {
        const char *field; // clicked in the field list; nullptr: the second rule is clicked
        const char *kind;
        std::initializer_list<const char *> boxes; // EditSeqMin, EditSeqMax, EditPunct, EditNumMin,
                                                   // EditNumMax, EditErrorMsg
        bool blank;
    };
    for (const Shown &row :
         {Shown{"phone", "RadioNumberSeq", {"7", "12", " ()-", "1", "0", "Your phone, please"}, true},
          Shown{nullptr, "RadioNumber", {"10", "0", " ()-+", "18", "99", "Your age"}, false}}) {
        if (row.field == nullptr) {
            clickRow(f.child<QListWidget>("ListBox2"), 1);
        } else {
            f.pick(QString::fromLatin1(row.field));
        }
        QCOMPARE(f.selectedKind(), QString::fromLatin1(row.kind));
        QCOMPARE(QStringList({f.text("EditSeqMin"), f.text("EditSeqMax"), f.text("EditPunct"), f.text("EditNumMin"),
                              f.text("EditNumMax"), f.text("EditErrorMsg")}),
                 listOf(row.boxes));
        QCOMPARE(f.child<QCheckBox>("CheckBoxBlankOK")->isChecked(), row.blank);
        QCOMPARE(QStringList({f.text("EditMin"), f.text("EditMax")}), listOf({"1", "0"}));
        f.add();
    }
    QCOMPARE(f.page->rules().records(), records);
}

void RuleEditorTest::presetsWithoutField_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("sequence");
    QTest::newRow("phone number") << "Label11"
                                  << "Please enter a valid phone number with area code."
                                  << QStringList{QStringLiteral("10"), QStringLiteral("10"), QStringLiteral(" ()-+")};
    QTest::newRow("zip code") << "Label18"
                              << "Please enter a valid zip code."
                              << QStringList{QStringLiteral("5"), QStringLiteral("9"), QStringLiteral("-")};
    QTest::newRow("date") << "Label19"
                          << "Please enter a date in the format dd/mm/yy."
                          << QStringList{QStringLiteral("6"), QStringLiteral("6"), QStringLiteral("-/")};
}

void RuleEditorTest::presetsWithoutField() {
    QFETCH(QString, link);
    QFETCH(QString, message);
    QFETCH(QStringList, sequence);
    PageFixture f({"name"});
    f.type("EditMin", QStringLiteral("4"));
    f.type("EditNumMax", QStringLiteral("12"));
    f.click(link.toLatin1().constData());
    QCOMPARE(f.selectedKind(), QStringLiteral("RadioNumberSeq"));
    QCOMPARE(f.text("EditErrorMsg"), message);
    QCOMPARE(QStringList({f.text("EditSeqMin"), f.text("EditSeqMax"), f.text("EditPunct")}), sequence);
    QCOMPARE(f.text("EditMin"), QStringLiteral("4"));
    QCOMPARE(f.text("EditNumMax"), QStringLiteral("12"));
    QCOMPARE(selectedRowOf(f.child<QListWidget>("ComboBox1")), -1);
    QVERIFY(f.rules().isEmpty());
}

void RuleEditorTest::presetWithFieldReplacesTheKindMessage() {
    PageFixture f({"when"});
    f.pick(QStringLiteral("when"));
    QSignalSpy written(f.child<QLineEdit>("EditErrorMsg"), &QLineEdit::textChanged);
    f.click("Label19");
    QCOMPARE(written.size(), 2);
    QCOMPARE(written.at(0).at(0).toString(), QStringLiteral("The value in field \"when\" is not valid."));
    QCOMPARE(f.text("EditErrorMsg"), QStringLiteral("Please enter a date in the format dd/mm/yy."));
    f.add();
    QCOMPARE(f.records(), QStringList{QStringLiteral("when^2^6^6^-/^0^Please enter a date in the format dd/mm/yy.")});
}

void RuleEditorTest::doubleClickOnUnselectedFieldProposesThenAdds() {
    PageFixture f({"name", "phone"});
    f.pick(QStringLiteral("name"));
    doubleClickRow(f.child<QListWidget>("ComboBox1"), 1);
    QCOMPARE(selectedRowOf(f.child<QListWidget>("ComboBox1")), 1);
    QCOMPARE(f.rules(), QStringList{QStringLiteral("phone (number sequence)")});
    QCOMPARE(f.records(),
             QStringList{QStringLiteral("phone^2^10^10^ ()-+^0^Please enter a valid phone number with area code.")});
    QVERIFY(f.ui.messages.isEmpty());
    // Double-clicking it again replaces the rule, and says so.
    doubleClickRow(f.child<QListWidget>("ComboBox1"), 1);
    QCOMPARE(f.rules().size(), 1);
    QCOMPARE(f.ui.messageTexts(),
             QStringList{QStringLiteral("Validation settings for field \"phone\" have been updated.")});
}

void RuleEditorTest::doubleClickWithoutEntryAddsTheSelectedField() {
    PageFixture f({"name"});
    auto *list = f.child<QListWidget>("ComboBox1");
    const QPoint below(10, list->viewport()->height() - 5);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, below);
    QVERIFY(f.rules().isEmpty());
    f.pick(QStringLiteral("name"));
    f.type("EditErrorMsg", QStringLiteral("typed"));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, below);
    QCOMPARE(f.records(), QStringList{QStringLiteral("name^0^1^0^0^typed")});
}

// --- In the wizard ---

namespace {

const std::string kOrderPage = "<html>\r\n<head>\r\n<title>Order</title>\r\n</head>\r\n<body>\r\n"
                               "<form method=\"post\" action=\"order.asp\" name=\"order\">\r\n"
                               "<input type=\"text\" name=\"fullname\">\r\n"
                               "<input type=\"text\" name=\"email\">\r\n"
                               "<input type=\"text\" name=\"phone\">\r\n"
                               "<input type=\"text\" name=\"zip\">\r\n"
                               "<input type=\"text\" name=\"quantity\">\r\n"
                               "<textarea name=\"comments\"></textarea>\r\n"
                               "<input type=\"submit\" value=\"Order\">\r\n"
                               "</form>\r\n</body>\r\n</html>\r\n";

// An earlier run's result: a stored rule for fullname and one for email.
const std::string kUpdatedPage =
    "<html>\n<head>\n<title>Order</title>\n\n<!-- VELMORAINE-BEGIN -->\n<script type=\"text/javascript\">\n<!--\n"
    "function velmoraine_sub() {\n/*\n"
    "//VLDATA:fullname^0^1^0^0^Field \"fullname\" must be filled in.:;email^1^0^Please enter a valid email "
    "address.:;\n*/\n}\n-->\n</script>\n<!-- VELMORAINE-END -->\n</head>\n<body>\n"
    "<form method=\"post\" name=\"order\">\n<input type=\"text\" name=\"fullname\">\n"
    "<input type=\"text\" name=\"email\">\n<input type=\"text\" name=\"phone\">\n"
    "<input type=\"text\" name=\"zip\">\n<input type=\"text\" name=\"quantity\">\n"
    "<textarea name=\"comments\"></textarea>\n</form>\n</body>\n</html>\n";

void clickField(test::WizardFixture &f, const QString &field) {
    auto *list = f.child<QListWidget>("ComboBox1");
    const QList<QListWidgetItem *> found = list->findItems(field, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(field));
    clickRow(list, list->row(found.constFirst()));
}

} // namespace

// A new scan empties the field list and both rule lists and leaves the rest of the page as it was.
void RuleEditorTest::pageScanEmptiesOnlyTheLists() {
    test::WizardFixture f;
    f.start();
    f.form().show();
    f.ui.openAnswers.emplace_back(f.writeFile(QStringLiteral("order.htm"), kOrderPage));
    f.click("ButtonSelectForm");
    f.child<QLineEdit>("EditID")->setText(QStringLiteral("24680"));
    f.click("ButtonNext");
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet2"));
    clickField(f, QStringLiteral("zip"));
    f.child<QLineEdit>("EditMin")->setText(QStringLiteral("3"));
    f.child<QCheckBox>("CheckBoxBlankOK")->setChecked(true);
    f.click("Button1");
    clickRow(f.child<QListWidget>("ListBox2"), 0);
    QVERIFY(f.child<QPushButton>("Button2")->isEnabled());

    // Back to page 1 and another page: its stored rules, none of those made before.
    f.click("ButtonBack");
    f.ui.openAnswers.emplace_back(f.writeFile(QStringLiteral("updated.htm"), kUpdatedPage));
    f.click("ButtonSelectForm");
    f.click("ButtonNext");
    QCOMPARE(itemsOf(f.child<QListWidget>("ListBox2")),
             QStringList({QStringLiteral("fullname (filled-in)"), QStringLiteral("email (email)")}));
    QCOMPARE(f.child<QListWidget>("ListBox1")->count(), 2);
    QCOMPARE(selectedRowOf(f.child<QListWidget>("ComboBox1")), -1);
    QCOMPARE(f.child<QRadioButton>("RadioNumberSeq")->isChecked(), true);
    QCOMPARE(f.child<QLineEdit>("EditErrorMsg")->text(), QStringLiteral("Please enter a valid zip code."));
    QCOMPARE(f.child<QLineEdit>("EditSeqMax")->text(), QStringLiteral("9"));
    // The boxes show the zip rule clicked before the scan; a sequence rule keeps no
    // character limits, so EditMin is back at its start value.
    QCOMPARE(f.child<QLineEdit>("EditMin")->text(), QStringLiteral("1"));
    QVERIFY(f.child<QCheckBox>("CheckBoxBlankOK")->isChecked());
    QVERIFY(f.child<QPushButton>("Button2")->isEnabled());
    // With nothing selected in the rule list, Remove does nothing.
    f.click("Button2");
    QCOMPARE(f.child<QListWidget>("ListBox2")->count(), 2);
}

// Pages 1 to 3 by the user's clicks; page 3 holds what the command-line tool writes for the
// same page, account ID and rules.
void RuleEditorTest::wholeRunMatchesTheCommandLine() {
    test::WizardFixture f;
    f.start();
    f.form().show();
    const QString page = f.writeFile(QStringLiteral("site/order form.htm"), kUpdatedPage);
    f.ui.openAnswers.emplace_back(page);
    f.click("ButtonSelectForm");
    f.child<QLineEdit>("EditID")->setText(QStringLiteral("24680"));
    f.click("ButtonNext");
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet2"));

    // The stored fullname rule is replaced with other limits; email stays as stored.
    clickField(f, QStringLiteral("fullname"));
    f.child<QLineEdit>("EditMin")->setText(QStringLiteral("2"));
    f.child<QLineEdit>("EditMax")->setText(QStringLiteral("40"));
    f.click("Button1");
    // The phone proposal as it stands, by a double-click.
    doubleClickRow(f.child<QListWidget>("ComboBox1"), 2);
    // zip: the proposal, with the blank box ticked.
    clickField(f, QStringLiteral("zip"));
    f.child<QCheckBox>("CheckBoxBlankOK")->setChecked(true);
    f.click("Button1");
    f.child<QCheckBox>("CheckBoxBlankOK")->setChecked(false);
    // quantity: a number from 1 to 10 with a message of our own.
    clickField(f, QStringLiteral("quantity"));
    f.child<QLineEdit>("EditNumMax")->setText(QStringLiteral("10"));
    f.child<QLineEdit>("EditErrorMsg")->setText(QStringLiteral("Order 1 to 10, please."));
    f.click("Button1");
    // comments: added, then removed again.
    clickField(f, QStringLiteral("comments"));
    f.click("Button1");
    clickRow(f.child<QListWidget>("ListBox2"), 5);
    f.click("Button2");

    QCOMPARE(itemsOf(f.child<QListWidget>("ListBox2")),
             QStringList({QStringLiteral("fullname (filled-in)"), QStringLiteral("email (email)"),
                          QStringLiteral("phone (number sequence)"), QStringLiteral("zip (number sequence)"),
                          QStringLiteral("quantity (number value)")}));
    QCOMPARE(f.ui.messageTexts(),
             QStringList{QStringLiteral("Validation settings for field \"fullname\" have been updated.")});

    f.click("ButtonNext");
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet5"));
    const std::string output = f.child<OutputPage>("TabSheet5")->currentBytes();
    QVERIFY(output.find("//VLDATA:fullname^0^2^40^0^") != std::string::npos);

#ifdef VELMORAINE_CLI
    const QString out = f.path(QStringLiteral("cli-out.htm"));
    QProcess cli;
    cli.start(QStringLiteral(VELMORAINE_CLI),
              {QStringLiteral("rewrite"), page, QStringLiteral("--id"), QStringLiteral("24680"),
               QStringLiteral("--model"), f.mainDirectory() + QStringLiteral("vlmodel.txt"), QStringLiteral("--rule"),
               QStringLiteral("fullname=filled,min=2,max=40"), QStringLiteral("--rule"), QStringLiteral("phone"),
               QStringLiteral("--rule"),
               QStringLiteral("zip=digits,min=5,max=9,punct=-,blank=yes,message=Please enter "
                              "a valid zip code."),
               QStringLiteral("--record"), QStringLiteral("quantity^3^1^10^0^Order 1 to 10, please."),
               QStringLiteral("-o"), out});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(test::WizardFixture::readFile(out), output);
#else
    QSKIP("the command-line tool is not built");
#endif
}

// With VELMORAINE_SCREENSHOTS set to a folder, writes a picture of page 2 while rules are made.
void RuleEditorTest::screenshots() {
    const QString folder = qEnvironmentVariable("VELMORAINE_SCREENSHOTS");
    if (folder.isEmpty()) {
        QSKIP("VELMORAINE_SCREENSHOTS is not set");
    }
    QDir().mkpath(folder);
    test::WizardFixture f;
    f.start();
    f.form().show();
    f.ui.openAnswers.emplace_back(f.writeFile(QStringLiteral("order.htm"), kOrderPage));
    f.click("ButtonSelectForm");
    f.child<QLineEdit>("EditID")->setText(QStringLiteral("24680"));
    f.click("ButtonNext");
    for (const QString &field : {QStringLiteral("fullname"), QStringLiteral("email"), QStringLiteral("quantity")}) {
        clickField(f, field);
        f.click("Button1");
    }
    clickField(f, QStringLiteral("phone"));
    clickRow(f.child<QListWidget>("ListBox2"), 1);
    QVERIFY(f.form().grab().save(folder + QStringLiteral("/page2-rules.png")));
}

QTEST_MAIN(RuleEditorTest)
#include "rule_editor_test.moc"
