// The ten action pages filled in as a user does: "Add" and "Edit" give the texts of their types,
// showing an action fills its page so that "Add" gives it back, the port and model rules refuse
// with their messages, names with ":" are refused, and the panel keeps the type list and the
// tabs in step. Libraries live in a temporary library folder (QZCTR_HOME).
#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include <cstdio>
#include <functional>
#include <unistd.h>
#include <vector>

#include "UiTestSupport.h"
#include "io/FileName.h"
#include "io/Latin1.h"
#include "io/WholeFile.h"
#include "library/IrLibrary.h"
#include "library/Rs232Library.h"
#include "model/ActionRules.h"
#include "model/ActionTexts.h"
#include "store/Paths.h"
#include "ui/pages/ActionPagesPanel.h"
#include "ui/pages/IrPage.h"
#include "ui/pages/Rs232Edit.h"
#include "ui/pages/Rs232Page.h"

using namespace qz;
using qz::test::AccessibleName;

namespace {

// Records messages and questions; answers the open-file dialog with `openFile`.
class RecordingMessages : public IMessages {
  public:
    void Show(const QString& text, const QString&) override { shown << text; }
    bool Ask(const QString& text, const QString&) override {
        asked << text;
        return true;
    }
    int AskYesNoCancel(const QString& text, const QString&) override {
        asked << text;
        return -1;
    }
    QString OpenFileName(const QString&, const QString& folder, const QString& filter) override {
        openFolder = folder;
        openFilter = filter;
        return openFile;
    }
    QString SaveFileName(const QString&, const QString&, const QString&) override { return {}; }

    void Clear() {
        shown.clear();
        asked.clear();
    }

    QStringList shown;
    QStringList asked;
    QString openFile;
    QString openFolder;
    QString openFilter;
};

const std::string kCode = [] {
    std::string code;
    for (int i = 0; i < 99; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", (i * 7 + 3) & 0xFF);
        code += pair;
    }
    return code;
}();
const QString kCodeText = QString::fromStdString(kCode);

CRS232LibFun Rs232Function(const std::string& name, const std::string& text, int endChar) {
    return test::Rs232LibraryFunction(name, kRs232Ascii, endChar,
                                      text + (endChar == kEndCr     ? "\r"
                                              : endChar == kEndCrLf ? "\r\n"
                                                                    : ""));
}

void WriteRs232Library(const QString& file, const std::string& name,
                       std::vector<CRS232LibFun> functions) {
    CRS232LibSet lib;
    lib.libName = name;
    lib.functions = std::move(functions);
    ASSERT_TRUE(SaveRs232LibraryFile(LibraryFilePath(file), lib));
}

void WriteIrLibrary(const QString& file, const std::string& name,
                    std::vector<std::string> entries) {
    CIrLibSet lib;
    lib.libName = name;
    lib.entries = std::move(entries);
    ASSERT_TRUE(SaveIrLibraryFile(LibraryFilePath(file), lib));
}

// The libraries every case may use: "Proj.rss" with "On" (ascii "PWR ON", carriage return) and
// "Hex" (hex 01 02, 7 data bits, parity EVEN, 1.5 stop bits, 19200); "TV.irr" with "Power" and
// "Mute".
void WriteLibraries() {
    CRS232LibFun hex = Rs232Function("Hex", "\x01\x02", kEndNone);
    hex.format = kRs232Hex;
    hex.baudRate = "19200";
    hex.dataBits = "7";
    hex.stopBits = "1.5";
    hex.parity = "EVEN";
    WriteRs232Library(QStringLiteral("Proj.rss"), "Proj",
                      {Rs232Function("On", "PWR ON", kEndCr), hex});
    WriteIrLibrary(QStringLiteral("TV.irr"), "TV",
                   {MakeIrEntry("Power", kCode), MakeIrEntry("Mute", std::string(198, 'a'))});
}

template <class T> T* Find(QWidget* parent, const char* name) {
    T* child = parent->findChild<T*>(QLatin1String(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

void Choose(QWidget* page, const char* list, const QString& entry) {
    auto* box = Find<QComboBox>(page, list);
    const int index = box->findText(entry);
    ASSERT_GE(index, 0) << list << ": " << entry.toStdString();
    box->setCurrentIndex(index);
}

void Type(QWidget* page, const char* box, const QString& text) {
    auto* edit = Find<QLineEdit>(page, box);
    edit->clear();
    QTest::keyClicks(edit, text);
}

// Text beyond ASCII arrives through the input method, as a keyboard layout or compose key types it.
void Compose(QWidget* page, const char* box, const QString& text) {
    auto* edit = Find<QLineEdit>(page, box);
    edit->clear();
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(edit, &event);
}

void Press(QWidget* page, const char* button) {
    Find<QAbstractButton>(page, button)->click();
}

void Slide(QWidget* page, const char* slider, int value) {
    Find<QSlider>(page, slider)->setValue(value);
}

QStringList Entries(QWidget* page, const char* list) {
    auto* box = Find<QComboBox>(page, list);
    QStringList out;
    for (int i = 0; i < box->count(); ++i) {
        out << box->itemText(i);
    }
    return out;
}

bool Shown(QWidget* page, const char* name) {
    return !Find<QWidget>(page, name)->isHidden();
}

QString Text(QWidget* page, const char* box) {
    return Find<QLineEdit>(page, box)->text();
}

struct Pages : ::testing::Test {
    RecordingMessages messages;
    ActionPagesPanel panel;
    bool hasEvents = true;

    Pages() {
        WriteLibraries(); // as every case starts: some cases change them
        panel.setMessages(&messages);
        panel.setEventListProbe([this] { return hasEvents; });
        panel.resize(720, 480);
        panel.show();
    }
    ActionPage* Page(int index) { return panel.page(index); }
    // What one press of a page's button emitted (nothing: an empty list).
    QStringList Emitted(int index, const char* button) {
        ActionPage* page = Page(index);
        QSignalSpy added(&panel, &ActionPagesPanel::addRequested);
        QSignalSpy edited(&panel, &ActionPagesPanel::editRequested);
        Press(page, button);
        QStringList out;
        for (const auto& call : QString(button) == QLatin1String("add") ? added : edited) {
            out << call.at(0).toString();
        }
        EXPECT_EQ(QString(button) == QLatin1String("add") ? edited.count() : added.count(), 0);
        return out;
    }
    QString Add(int index) {
        const QStringList out = Emitted(index, "add");
        return out.size() == 1 ? out.front() : QStringLiteral("<%1 texts>").arg(out.size());
    }
    QString Edit(int index) {
        const QStringList out = Emitted(index, "edit");
        return out.size() == 1 ? out.front() : QStringLiteral("<%1 texts>").arg(out.size());
    }
};

// ---- Every page: its example, its rewrite, and the example shown and added again ----

struct PageCase {
    const char* name;
    int page;
    int model; // the I/O page needs model 2
    std::function<void(QWidget*, RecordingMessages&)> fill;
    QString text;
    std::function<void(QWidget*)> change;
    QString edited;
};

const QString kIrText = QStringLiteral("INFR : TV : Power : 0 : 1 : 0 : 1 : 1 : c6 : ") + kCodeText;

std::vector<PageCase> PageCases() {
    return {
        {"rs232", kRs232Page, 0,
         [](QWidget* p, RecordingMessages& m) {
             m.openFile = LibraryFilePath(QStringLiteral("Proj.rss"));
             Press(p, "changeLib"); // lists "Hex", "On"; loads the first
             Choose(p, "libFunction", QStringLiteral("On"));
             Choose(p, "port", QStringLiteral("Port 2"));
             Type(p, "eventName", QStringLiteral("PC on"));
         },
         QStringLiteral(
             "UART : PC on : Proj : On : 9600 : 1 : 0 : 0 : 0 : 1 : 1 : 0 : 1 : 1 :PWR ON"),
         [](QWidget* p) {
             Choose(p, "active", QStringLiteral("More Time"));
             Slide(p, "count", 5);
             Slide(p, "delay", 20);
         },
         QStringLiteral(
             "UART : PC on : Proj : On : 9600 : 1 : 0 : 0 : 0 : 1 : 1 : 1 : 5 : 20 :PWR ON")},
        {"ir", kIrPage, 0,
         [](QWidget* p, RecordingMessages& m) {
             m.openFile = LibraryFilePath(QStringLiteral("TV.irr"));
             Press(p, "changeLib");
             Choose(p, "function", QStringLiteral("Power"));
         },
         kIrText, [](QWidget* p) { Choose(p, "carrier", QStringLiteral("Off")); },
         QStringLiteral("INFR : TV : Power : 0 : 0 : 0 : 1 : 1 : c6 : ") + kCodeText},
        {"io", kIoPage, 2,
         [](QWidget* p, RecordingMessages&) {
             Choose(p, "port", QStringLiteral("Port 2"));
             Choose(p, "io", QStringLiteral("Out"));
             Choose(p, "output", QStringLiteral("1"));
             Type(p, "eventName", QStringLiteral("Door"));
         },
         QStringLiteral("GPIO : Door : 1 : 1 : 1 : 1"),
         [](QWidget* p) { Choose(p, "io", QStringLiteral("In")); },
         QStringLiteral("GPIO : Door : 1 : 0 : 1 : 1")},
        {"relay", kRelayPage, 0,
         [](QWidget* p, RecordingMessages&) {
             Choose(p, "port", QStringLiteral("Port 2"));
             Choose(p, "action", QStringLiteral("Off"));
         },
         QStringLiteral("RELY : 1 : 1 : 1"),
         [](QWidget* p) { Choose(p, "action", QStringLiteral("On")); },
         QStringLiteral("RELY : 1 : 0 : 0")},
        {"delay", kDelayPage, 0,
         [](QWidget* p, RecordingMessages&) {
             Slide(p, "hour", 1);
             Slide(p, "minute", 2);
             Slide(p, "second", 3);
             Choose(p, "halfSecond", QStringLiteral("0.5S"));
         },
         QStringLiteral("DELY : 1 : 2 : 3 : 1 : 0102031"),
         [](QWidget* p) {
             Slide(p, "hour", 23);
             Slide(p, "minute", 59);
             Slide(p, "second", 59);
         },
         QStringLiteral("DELY : 23 : 59 : 59 : 1 : 2359591")},
        {"compare", kComparePage, 0,
         [](QWidget* p, RecordingMessages&) {
             Choose(p, "port", QStringLiteral("Port 2"));
             Press(p, "endCr");
             Type(p, "data", QStringLiteral("OK"));
             Type(p, "eventName", QStringLiteral("Ack"));
         },
         QStringLiteral("UCMP : Ack : 1 : 0 : 1 :1 :OK"), [](QWidget* p) { Press(p, "equal"); },
         QStringLiteral("UCMP : Ack : 1 : 0 : 1 :0 :OK")},
        {"led", kLedPage, 0,
         [](QWidget* p, RecordingMessages&) {
             Choose(p, "button", QStringLiteral("Button 3"));
             Choose(p, "lightAction", QStringLiteral("On/All Off"));
         },
         QStringLiteral("LEDP : 2 : 2 : 2"),
         [](QWidget* p) { Choose(p, "button", QStringLiteral("Button 8")); },
         QStringLiteral("LEDP : 7 : 2 : 2")},
        {"page", kPagePage, 0,
         [](QWidget* p, RecordingMessages&) {
             Choose(p, "page", QStringLiteral("Page 1"));
             Choose(p, "activeNo", QStringLiteral("4"));
             Type(p, "eventName", QStringLiteral("Lobby"));
         },
         QStringLiteral("ENPG : Lobby : 0 :3 :0"),
         [](QWidget* p) { Choose(p, "activeNo", QStringLiteral("2")); },
         QStringLiteral("ENPG : Lobby : 0 :1 :0")},
        {"loop", kLoopPage, 0,
         [](QWidget* p, RecordingMessages&) {
             Choose(p, "id", QStringLiteral("5"));
             Choose(p, "keyNo", QStringLiteral("12"));
             Type(p, "eventName", QStringLiteral("Hall"));
         },
         QStringLiteral("CASD : Hall : 5 : 12 : -"),
         [](QWidget* p) {
             Choose(p, "id", QStringLiteral("99"));
             Choose(p, "keyNo", QStringLiteral("32"));
             Type(p, "eventName", QStringLiteral("n"));
         },
         QStringLiteral("CASD : n : 99 : 32 : -")},
        {"toggle", kTogglePage, 0,
         [](QWidget* p, RecordingMessages&) {
             Choose(p, "button", QStringLiteral("Button 3"));
             Choose(p, "toggleStart", QStringLiteral("2"));
             Type(p, "eventName", QStringLiteral("  Fan "));
         },
         QStringLiteral("LTOG : Fan : 2 : 1 : 0"),
         [](QWidget* p) { Choose(p, "button", QStringLiteral("Button 8")); },
         QStringLiteral("LTOG : Fan : 7 : 1 : 0")},
    };
}

TEST_F(Pages, AddGivesTheExampleEditTheRewriteAndShowingGivesItBack) {
    for (const PageCase& c : PageCases()) {
        SCOPED_TRACE(c.name);
        {
            ActionPagesPanel fresh;
            fresh.setMessages(&messages);
            fresh.setDevice(c.model, 0);
            fresh.show();
            messages.Clear();
            QWidget* page = fresh.page(c.page);
            fresh.setCurrentIndex(c.page);
            c.fill(page, messages);
            QSignalSpy added(&fresh, &ActionPagesPanel::addRequested);
            QSignalSpy edited(&fresh, &ActionPagesPanel::editRequested);
            Press(page, "add");
            Press(page, "add"); // the page keeps its values: the same text again
            c.change(page);
            Press(page, "edit");
            EXPECT_EQ(messages.shown, QStringList());
            EXPECT_EQ(messages.asked, QStringList());
            ASSERT_EQ(added.count(), 2);
            EXPECT_EQ(added.at(0).at(0).toString(), c.text);
            EXPECT_EQ(added.at(1).at(0).toString(), c.text);
            ASSERT_EQ(edited.count(), 1);
            EXPECT_EQ(edited.at(0).at(0).toString(), c.edited);
        }
        // Shown on pages that hold other values: each text comes back unchanged.
        panel.setDevice(c.model, 0);
        for (const QString& text : {c.text, c.edited}) {
            ASSERT_TRUE(panel.showAction(text)) << text.toStdString();
            EXPECT_EQ(panel.currentIndex(), c.page);
            EXPECT_EQ(panel.typeList()->currentRow(), c.page);
            EXPECT_EQ(Add(c.page), text);
            EXPECT_EQ(Edit(c.page), text);
        }
        EXPECT_EQ(messages.shown, QStringList());
    }
}

// ---- The panel ----

TEST_F(Pages, TypeListAndTabsStayInStep) {
    QStringList labels;
    for (int i = 0; i < panel.typeList()->count(); ++i) {
        labels << panel.typeList()->item(i)->text();
        EXPECT_EQ(panel.tabs()->tabText(i), labels.back());
    }
    EXPECT_EQ(labels, (QStringList{"RS232", "IR", "I/O", "Relay", "Delay", "Compare", "LED", "Page",
                                   "Loop", "Toggle"}));
    EXPECT_EQ(panel.currentIndex(), 0);
    EXPECT_EQ(panel.typeList()->currentRow(), 0);

    panel.typeList()->setCurrentRow(6);
    EXPECT_EQ(panel.tabs()->currentIndex(), 6);
    panel.tabs()->setCurrentIndex(3);
    EXPECT_EQ(panel.typeList()->currentRow(), 3);
    // A click on a tab's label, as the user does it.
    QTabBar* bar = panel.tabs()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(8).center());
    EXPECT_EQ(panel.typeList()->currentRow(), 8);

    // Showing an action switches both and fills the page; the page left keeps its values.
    Choose(Page(kLoopPage), "id", QStringLiteral("42"));
    ASSERT_TRUE(panel.showAction(QStringLiteral("RELY : 2 : 1 : 1")));
    EXPECT_EQ(panel.currentIndex(), kRelayPage);
    EXPECT_EQ(panel.typeList()->currentRow(), kRelayPage);
    EXPECT_EQ(Find<QComboBox>(Page(kRelayPage), "port")->currentText(), "Port 3");
    EXPECT_EQ(Find<QComboBox>(Page(kLoopPage), "id")->currentText(), "42");

    // A text of no known type changes nothing.
    EXPECT_FALSE(panel.showAction(QStringLiteral("XXXX : 1 : 2")));
    EXPECT_FALSE(panel.showAction(QString()));
    EXPECT_EQ(panel.currentIndex(), kRelayPage);
    // A page shows only its own type.
    EXPECT_FALSE(Page(kLedPage)->ShowAction(QStringLiteral("RELY : 2 : 1 : 1")));
}

TEST_F(Pages, LibraryEditorsAreAskedForThroughThePanel) {
    QSignalSpy ir(&panel, &ActionPagesPanel::editIrLibraryRequested);
    QSignalSpy rs232(&panel, &ActionPagesPanel::editRs232LibraryRequested);
    panel.showAction(kIrText);
    Press(Page(kIrPage), "editLib");
    EXPECT_EQ(ir.count(), 1);
    EXPECT_EQ(rs232.count(), 0);
    EXPECT_EQ(panel.irPage()->libraryName(), "TV");
    EXPECT_EQ(panel.irPage()->functionName(), "Power");
    Press(Page(kRs232Page), "editLib");
    EXPECT_EQ(rs232.count(), 1);
}

// ---- The port and model rules ----

// Expected refusals by page, port mode and port (models 0 and 1; model 2 refuses nothing).
const char* ExpectedRefusal(int page, int mode, int port) {
    switch (page) {
    case kRs232Page:
        if (mode == 1 && port == 0) {
            return kRefusalPort1; // (A)
        }
        if (mode == 2 && port == 1) {
            return kRefusalPort2; // (B)
        }
        if (mode == 3 && port <= 1) {
            return kRefusalPorts12; // (C)
        }
        return nullptr;
    case kIrPage:
        if (mode == 0 && port >= 1) {
            return kRefusalPorts23; // (D)
        }
        if (mode == 1 && port == 2) {
            return kRefusalPort3; // (E)
        }
        if (mode == 2 && port == 1) {
            return kRefusalPort2; // (B)
        }
        return nullptr;
    case kComparePage:
        if (mode <= 1 && port == 0) {
            return kRefusalPort1Other; // (F)
        }
        if (mode >= 2 && port <= 1) {
            return kRefusalPorts12; // (C)
        }
        return nullptr;
    case kRelayPage:
        return port == 2 ? kRefusalRelayPort3 : nullptr; // (G)
    case kIoPage:
        return kRefusalIo; // (H)
    }
    return nullptr;
}

TEST_F(Pages, PortAndModelRulesRefuseWithTheirMessages) {
    // Every page of the rules holds an action that passes its own checks.
    panel.showAction(QStringLiteral("UART :  : Proj : On : 9600 : 1 : 0 : 0 : 0 : 1 : 0 : 0 : 1 : "
                                    "1 :PWR ON"));
    panel.showAction(kIrText);
    const int pages[] = {kRs232Page, kIrPage, kComparePage, kRelayPage, kIoPage};
    int refused = 0;
    for (int model : {0, 1, 2}) {
        for (int mode : {0, 1, 2, 3, 7}) {
            panel.setDevice(model, mode);
            for (int page : pages) {
                for (int port : {0, 1, 2}) {
                    SCOPED_TRACE(testing::Message() << "model " << model << ", mode " << mode
                                                    << ", page " << page << ", port " << port);
                    ActionPage::SelectPosition(Find<QComboBox>(Page(page), "port"), port);
                    const char* expected = model == 2 ? nullptr
                                           // A port mode of no meaning refuses no port; relay and
                                           // I/O do not depend on it.
                                           : mode > 3 && page != kRelayPage && page != kIoPage
                                               ? nullptr
                                               : ExpectedRefusal(page, mode, port);
                    messages.Clear();
                    for (const char* button : {"add", "edit"}) {
                        const QStringList out = Emitted(page, button);
                        if (expected) {
                            EXPECT_EQ(out, QStringList());
                            // The rule's exact text first, then where the mode is changed.
                            ASSERT_EQ(messages.asked.size(), 1);
                            EXPECT_TRUE(messages.asked[0].startsWith(
                                QString::fromLatin1(expected) + QStringLiteral("\r\rThe port mode "
                                                                               "is changed")));
                            EXPECT_EQ(messages.asked[0],
                                      QString::fromLatin1(ExplainedRefusal(expected, model, mode)));
                            EXPECT_EQ(Page(page)->Refusal(), QString::fromLatin1(expected));
                            ++refused;
                        } else {
                            EXPECT_EQ(out.size(), 1);
                            EXPECT_EQ(messages.asked, QStringList());
                            EXPECT_EQ(Page(page)->Refusal(), QString());
                        }
                        EXPECT_EQ(messages.shown, QStringList());
                        messages.Clear();
                    }
                }
            }
        }
    }
    EXPECT_GT(refused, 0);
    // The pages without rules accept every device.
    panel.setDevice(0, 3);
    for (int page : {kDelayPage, kLedPage, kPagePage, kLoopPage, kTogglePage}) {
        EXPECT_EQ(Emitted(page, "add").size(), 1) << page;
    }
}

// ---- The checks before the rules ----

TEST_F(Pages, EmptyEventListIsReportedAfterThePagesOwnChecks) {
    hasEvents = false;
    for (int page = 0; page < kActionPageCount; ++page) {
        SCOPED_TRACE(page);
        panel.setDevice(page == kIoPage ? 2 : 0, 0);
        messages.Clear();
        EXPECT_EQ(Emitted(page, "add"), QStringList());
        EXPECT_EQ(Emitted(page, "edit"), QStringList());
        const QString first = page == kRs232Page ? QStringLiteral("Please input data or select "
                                                                  "RS232 lib")
                              : page == kIrPage  ? QStringLiteral("Lib name is empty")
                                                 : QStringLiteral("Please Add a Action in Action "
                                                                   "List");
        EXPECT_EQ(messages.shown, (QStringList{first, first}));
    }
    // With the pages' own checks passed, the event list is what stops them.
    panel.showAction(kIrText);
    Type(Page(kRs232Page), "data", QStringLiteral("x"));
    for (int page : {kRs232Page, kIrPage}) {
        messages.Clear();
        EXPECT_EQ(Emitted(page, "add"), QStringList());
        EXPECT_EQ(messages.shown, QStringList{"Please Add a Action in Action List"});
    }
    // And with a missing library, only the library is reported.
    WriteIrLibrary(QStringLiteral("Gone.irr"), "Gone", {MakeIrEntry("F", kCode)});
    panel.showAction(QStringLiteral("INFR : Gone : F : 0 : 1 : 0 : 1 : 1 : c6 : ") + kCodeText);
    QFile::remove(LibraryFilePath(QStringLiteral("Gone.irr")));
    messages.Clear();
    EXPECT_EQ(Emitted(kIrPage, "add"), QStringList());
    EXPECT_EQ(messages.shown, QStringList{"No Such Lib"});
}

TEST_F(Pages, NamesWithAColonAreRefusedWhereTheyWouldShiftTheFields) {
    panel.setDevice(2, 0);
    struct Case {
        int page;
        const char* box;
        const char* label;
    };
    for (const Case& c :
         {Case{kRs232Page, "eventName", "Event Name"}, Case{kIoPage, "eventName", "Event Name:"},
          Case{kComparePage, "eventName", "Event Name:"},
          Case{kPagePage, "eventName", "Event Name:"}, Case{kLoopPage, "eventName", "Event Name:"},
          Case{kTogglePage, "eventName", "Event Name:"}}) {
        SCOPED_TRACE(c.page);
        ActionPage* page = Page(c.page);
        if (c.page == kRs232Page || c.page == kComparePage) {
            Type(page, "data", QStringLiteral("a:b")); // the data may hold colons
        }
        Type(page, c.box, QStringLiteral("Tea: hot"));
        messages.Clear();
        EXPECT_EQ(Emitted(c.page, "add"), QStringList());
        EXPECT_EQ(Emitted(c.page, "edit"), QStringList());
        const QString refusal = ColonRefusalText(QString::fromLatin1(c.label));
        EXPECT_EQ(messages.shown, (QStringList{refusal, refusal}));
        EXPECT_TRUE(refusal.contains(QStringLiteral("\"Event Name\"")));
        EXPECT_EQ(page->Refusal(), refusal);
        Type(page, c.box, QStringLiteral("Tea hot"));
        messages.Clear();
        const QStringList out = Emitted(c.page, "add");
        ASSERT_EQ(out.size(), 1);
        EXPECT_EQ(messages.shown, QStringList());
        if (c.page == kRs232Page || c.page == kComparePage) {
            EXPECT_TRUE(out.front().endsWith(QStringLiteral(":a:b"))) << out.front().toStdString();
        }
    }
    // Names are stored as 8-bit text: a character without that form is refused, not turned
    // into "?"; a Latin-1 one is kept.
    Compose(Page(kTogglePage), "eventName", QStringLiteral("Caf\u00e9 \u20ac"));
    messages.Clear();
    EXPECT_EQ(Emitted(kTogglePage, "add"), QStringList());
    EXPECT_EQ(messages.shown,
              QStringList{UnstorableText(QStringLiteral("Event Name:"), QChar(0x20ac))});
    Compose(Page(kTogglePage), "eventName", QStringLiteral("Caf\u00e9"));
    EXPECT_EQ(Add(kTogglePage), QStringLiteral("LTOG : Caf\u00e9 : 0 : 0 : 0"));
    ASSERT_TRUE(panel.showAction(QStringLiteral("LTOG : Th\u00e9 : 1 : 1 : 0")));
    EXPECT_EQ(Text(Page(kTogglePage), "eventName"), QStringLiteral("Th\u00e9"));

    // A library whose stored name holds ":" (its file found under that name).
    WriteIrLibrary(QStringLiteral("A:B.irr"), "A:B", {MakeIrEntry("F", kCode)});
    messages.openFile = LibraryFilePath(QStringLiteral("A:B.irr"));
    Press(Page(kIrPage), "changeLib");
    messages.Clear();
    EXPECT_EQ(Emitted(kIrPage, "add"), QStringList());
    EXPECT_EQ(messages.shown, QStringList{ColonRefusalText(QStringLiteral("Lib Name:"))});
}

// ---- RS232 page ----

TEST_F(Pages, Rs232DataBoxAndFormat) {
    ActionPage* p = Page(kRs232Page);
    // Blanks alone are no data; leading blanks are kept.
    Type(p, "data", QStringLiteral("   "));
    EXPECT_EQ(Emitted(kRs232Page, "add"), QStringList());
    EXPECT_EQ(messages.shown, QStringList{"Please input data or select RS232 lib"});
    Type(p, "data", QStringLiteral("  go"));
    EXPECT_EQ(Add(kRs232Page), "UART :  :  :  : 9600 : 1 : 0 : 0 : 0 : 0 : 0 : 0 : 1 : 1 :  go");

    // ascii to hex converts (cut to 32 pairs with the end characters), back to ascii empties.
    EXPECT_TRUE(Shown(p, "endGroup"));
    Type(p, "data", QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"));
    Press(p, "endEnter");
    Press(p, "hex");
    const QString hex = Text(p, "data");
    EXPECT_EQ(hex.split(QLatin1Char(' ')).size(), 32);
    EXPECT_TRUE(hex.startsWith(QStringLiteral("41 42 43")));
    EXPECT_TRUE(hex.endsWith(QStringLiteral("32 33 0d 0a"))) << hex.toStdString();
    EXPECT_FALSE(Shown(p, "endGroup"));
    EXPECT_TRUE(Find<CRS232Edit>(p, "data")->hexInput());
    Press(p, "hex"); // hex again: no second conversion
    EXPECT_EQ(Text(p, "data"), hex);
    Press(p, "ascii");
    EXPECT_EQ(Text(p, "data"), QString());
    EXPECT_TRUE(Shown(p, "endGroup"));
    EXPECT_FALSE(Find<CRS232Edit>(p, "data")->hexInput());

    // 7 data bits offer only ODD and EVEN.
    Choose(p, "dataBit", QStringLiteral("7"));
    EXPECT_EQ(Entries(p, "parity"), (QStringList{"ODD", "EVEN"}));
    EXPECT_EQ(Find<QComboBox>(p, "parity")->currentText(), "ODD");
    Choose(p, "dataBit", QStringLiteral("8"));
    EXPECT_EQ(Entries(p, "parity"), (QStringList{"NONE", "ODD", "EVEN"}));
    EXPECT_EQ(Find<QComboBox>(p, "parity")->currentText(), "NONE");

    // The repeat controls are shown only for "More Time"; "Clear" empties the data box.
    EXPECT_EQ(Entries(p, "active"), (QStringList{"Send RS232 Once", "More Time"}));
    EXPECT_FALSE(Shown(p, "count"));
    EXPECT_EQ(Text(p, "countReadout"), QString());
    Choose(p, "active", QStringLiteral("More Time"));
    for (const char* name : {"count", "delay", "countReadout", "delayReadout"}) {
        EXPECT_TRUE(Shown(p, name)) << name;
    }
    Slide(p, "count", 7);
    EXPECT_EQ(Text(p, "countReadout"), "7");
    Type(p, "data", QStringLiteral("x"));
    Press(p, "clear");
    EXPECT_EQ(Text(p, "data"), QString());
}

TEST_F(Pages, Rs232ShowsWhatTheActionHolds) {
    ActionPage* p = Page(kRs232Page);
    // 7 data bits, 1.5 stop bits, even parity from a hex function; its library lists both.
    const QString hexAction =
        QStringLiteral("UART : x : Proj : hex : 19200 : 0 : 1 : 2 : 1 : 0 : 2 : 1 : 3 : 4 :01 02");
    Choose(p, "dataBit", QStringLiteral("7")); // the parity list then offers EVEN
    ASSERT_TRUE(panel.showAction(hexAction));
    EXPECT_EQ(Entries(p, "libFunction"), (QStringList{"Hex", "On"}));
    EXPECT_EQ(Find<QComboBox>(p, "libFunction")->currentText(), "Hex"); // letter case ignored
    EXPECT_EQ(Find<QComboBox>(p, "baudRate")->currentText(), "19200");
    EXPECT_EQ(Find<QComboBox>(p, "dataBit")->currentText(), "7");
    EXPECT_EQ(Find<QComboBox>(p, "stopBit")->currentText(), "1.5");
    EXPECT_EQ(Find<QComboBox>(p, "parity")->currentText(), "EVEN");
    EXPECT_FALSE(Shown(p, "endGroup"));
    EXPECT_TRUE(Find<CRS232Edit>(p, "data")->hexInput());
    EXPECT_TRUE(Shown(p, "count"));
    EXPECT_EQ(Text(p, "countReadout"), "3");
    EXPECT_EQ(Add(kRs232Page), QString(hexAction).replace(" : hex : ", " : Hex : "));

    // A library that is not in the folder leaves the function list empty; "Edit" then writes an
    // empty function. Ports outside the list are said and written as 0.
    ASSERT_TRUE(panel.showAction(
        QStringLiteral("UART : x : Nowhere : F : 9600 : 1 : 0 : 0 : 0 : 0 : 7 : 0 : 1 : 1 :d")));
    EXPECT_EQ(Entries(p, "libFunction"), QStringList());
    EXPECT_EQ(Find<QComboBox>(p, "port")->currentIndex(), -1);
    EXPECT_EQ(messages.shown, QStringList());
    EXPECT_EQ(Edit(kRs232Page),
              "UART : x : Nowhere :  : 9600 : 1 : 0 : 2 : 0 : 0 : 0 : 0 : 1 : 1 :d");
    EXPECT_EQ(messages.shown, QStringList{"no selecte port"});
    // The rules look at the port that is written: Port 1.
    panel.setDevice(0, 1);
    messages.Clear();
    EXPECT_EQ(Emitted(kRs232Page, "edit"), QStringList());
    EXPECT_EQ(messages.asked,
              QStringList{QString::fromLatin1(ExplainedRefusal(kRefusalPort1, 0, 1))});
    EXPECT_EQ(messages.shown, QStringList());
}

TEST_F(Pages, Rs232LibraryMessages) {
    ActionPage* p = Page(kRs232Page);
    WriteRs232Library(QStringLiteral("Other.rss"), "Missing", {Rs232Function("F", "x", 0)});
    WriteRs232Library(QStringLiteral("Empty.rss"), "Empty", {});
    QFile broken(LibraryFilePath(QStringLiteral("Broken.rss")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("\x05\x00\x00\x00"
                 "ab",
                 6);
    broken.close();
    struct Case {
        const char* file;
        QStringList shown;
        QStringList functions;
    };
    for (const Case& c : {Case{"Other.rss", {"No Such Lib"}, {"F"}},
                          Case{"Empty.rss", {"Funciton name is empty"}, {}},
                          Case{"Broken.rss", {"The File is already destroyed"}, {}}}) {
        SCOPED_TRACE(c.file);
        messages.Clear();
        messages.openFile = LibraryFilePath(QString::fromLatin1(c.file));
        Press(p, "changeLib");
        EXPECT_EQ(messages.shown, c.shown);
        EXPECT_EQ(Entries(p, "libFunction"), c.functions);
    }
    EXPECT_EQ(messages.openFolder, LibraryFolder());
    EXPECT_TRUE(messages.openFilter.contains(QStringLiteral("*.rss")));

    // Cancelling the file dialog changes nothing.
    messages.openFile = LibraryFilePath(QStringLiteral("Proj.rss"));
    Press(p, "changeLib");
    messages.openFile.clear();
    Press(p, "changeLib");
    EXPECT_EQ(Text(p, "libName"), "Proj");

    // A function removed from the library after it was listed.
    Choose(p, "libFunction", QStringLiteral("On"));
    WriteRs232Library(QStringLiteral("Proj.rss"), "Proj", {Rs232Function("On", "PWR ON", 1)});
    messages.Clear();
    Choose(p, "libFunction", QStringLiteral("Hex"));
    EXPECT_EQ(messages.shown, QStringList{"No Such Function"});
    // After the editor saved, the page lists what the library holds now.
    panel.reloadLibraries();
    EXPECT_EQ(Entries(p, "libFunction"), QStringList{"On"});
}

// ---- IR page ----

TEST_F(Pages, IrLooksTheFunctionUpAtEveryAddAndEdit) {
    ActionPage* p = Page(kIrPage);
    EXPECT_EQ(Entries(p, "active"), (QStringList{"Send Ir Once", "More Time"}));
    EXPECT_EQ(Entries(p, "carrier"), (QStringList{"Off", "On"}));
    EXPECT_EQ(Find<QComboBox>(p, "carrier")->currentText(), "On");
    EXPECT_EQ(Text(p, "countReadout"), "1");
    messages.openFile = LibraryFilePath(QStringLiteral("TV.irr"));
    Press(p, "changeLib");
    EXPECT_EQ(Entries(p, "function"), (QStringList{"Mute", "Power"})); // sorted
    Choose(p, "function", QStringLiteral("Power"));
    EXPECT_EQ(Add(kIrPage), kIrText);

    // Learned again in the editor: "Edit" on the unchanged page writes the new code.
    const std::string learned(198, '5');
    WriteIrLibrary(QStringLiteral("TV.irr"), "TV",
                   {MakeIrEntry("Power", learned), MakeIrEntry("Mute", std::string(198, 'a'))});
    EXPECT_EQ(Edit(kIrPage), QStringLiteral("INFR : TV : Power : 0 : 1 : 0 : 1 : 1 : c6 : ") +
                                 QString::fromStdString(learned));

    // A file whose stored name differs: the look-up goes by the stored name.
    WriteIrLibrary(QStringLiteral("B.irr"), "A", {MakeIrEntry("F", kCode)});
    messages.openFile = LibraryFilePath(QStringLiteral("B.irr"));
    Press(p, "changeLib");
    EXPECT_EQ(Text(p, "libName"), "A");
    messages.Clear();
    EXPECT_EQ(Emitted(kIrPage, "add"), QStringList());
    EXPECT_EQ(messages.shown, QStringList{"No Such Lib"});
    // The file found under the box's name stores another name: that one is written.
    WriteIrLibrary(QStringLiteral("A.irr"), "X", {MakeIrEntry("F", kCode)});
    EXPECT_EQ(Add(kIrPage), QStringLiteral("INFR : X : F : 0 : 1 : 0 : 1 : 1 : c6 : ") + kCodeText);
    // A function gone from the library.
    WriteIrLibrary(QStringLiteral("A.irr"), "X", {MakeIrEntry("G", kCode)});
    messages.Clear();
    EXPECT_EQ(Emitted(kIrPage, "add"), QStringList());
    EXPECT_EQ(messages.shown, QStringList{"No Such Function"});
    panel.reloadLibraries();
    EXPECT_EQ(Entries(p, "function"), QStringList{"G"});
    Choose(p, "function", QStringLiteral("G"));
    // A function added in the editor appears; the chosen one stays chosen.
    WriteIrLibrary(QStringLiteral("A.irr"), "X",
                   {MakeIrEntry("H", kCode), MakeIrEntry("G", kCode)});
    panel.reloadLibraries();
    EXPECT_EQ(Entries(p, "function"), (QStringList{"G", "H"}));
    EXPECT_EQ(Find<QComboBox>(p, "function")->currentText(), "G");
    // A damaged file.
    QFile damaged(LibraryFilePath(QStringLiteral("A.irr")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("\x09", 1);
    damaged.close();
    messages.Clear();
    EXPECT_EQ(Emitted(kIrPage, "add"), QStringList());
    EXPECT_EQ(messages.shown, QStringList{"the lib is destroyed"});
    messages.openFile = LibraryFilePath(QStringLiteral("A.irr"));
    messages.Clear();
    Press(p, "changeLib");
    EXPECT_EQ(messages.shown, QStringList{"The File is already destroyed"});
    EXPECT_EQ(Text(p, "libName"), QString());
    messages.Clear();
    EXPECT_EQ(Emitted(kIrPage, "add"), QStringList());
    EXPECT_EQ(messages.shown, QStringList{"Lib name is empty"});
}

// A library named "Caf\xe9" is found under either spelling of its file: its own bytes (as the
// editors and qzctl learn write it) and UTF-8. Its functions are listed; "Add" and "Edit" look
// the function up and give the name back as it was stored.
TEST_F(Pages, Latin1LibraryNamesFindTheirFiles) {
    const std::string name = "Caf\xe9";
    // The two spellings of the file names without their extensions.
    const QString stems[] = {
        qz::io::DecodeFileName(qz::io::EncodeFileName(LibraryFolder()) + "/Caf\xe9"),
        LibraryFilePath(QString::fromUtf8("Caf\xc3\xa9"))};
    for (const QString& stem : stems) {
        SCOPED_TRACE(latin1::ShownPath(stem).toStdString());
        CIrLibSet ir;
        ir.libName = name;
        ir.entries = {MakeIrEntry("Power", kCode)};
        ASSERT_TRUE(SaveIrLibraryFile(stem + ".irr", ir));
        CRS232LibSet rs;
        rs.libName = name;
        rs.functions = {Rs232Function("On", "PWR ON", kEndCr)};
        ASSERT_TRUE(SaveRs232LibraryFile(stem + ".rss", rs));

        const QString irText = QString::fromUtf8("INFR : Caf\xc3\xa9 : Power : 0 : 1 : 0 : 1 : 1 "
                                                 ": c6 : ") +
                               kCodeText;
        ASSERT_TRUE(panel.showAction(irText));
        EXPECT_EQ(Entries(Page(kIrPage), "function"), QStringList{"Power"});
        messages.Clear();
        EXPECT_EQ(Add(kIrPage), irText);
        EXPECT_EQ(Edit(kIrPage), irText);
        EXPECT_EQ(messages.shown, QStringList());

        const QString rsText = QString::fromUtf8(
            "UART :  : Caf\xc3\xa9 : On : 9600 : 1 : 0 : 0 : 0 : 0 : 1 : 0 : 1 : 1 :PWR ON");
        ASSERT_TRUE(panel.showAction(rsText));
        EXPECT_EQ(Entries(Page(kRs232Page), "libFunction"), QStringList{"On"});
        EXPECT_EQ(Add(kRs232Page), rsText);
        EXPECT_EQ(messages.shown, QStringList());
        // Qt's own remove() cannot name the 8-bit spelling.
        ASSERT_EQ(::unlink(qz::io::EncodeFileName(stem + ".irr").constData()), 0);
        ASSERT_EQ(::unlink(qz::io::EncodeFileName(stem + ".rss").constData()), 0);
    }
}

// A library name that would leave the library folder never becomes a path: an action naming
// one is refused with the reason, and a library file storing one is not taken by "Change Lib"
// (an action would carry the name on).
TEST_F(Pages, LibraryNamesThatWouldLeaveTheFolderAreRefused) {
    // A library the name would reach if it were made into a path.
    ASSERT_TRUE(QDir(LibraryFolder()).mkpath("x"));
    WriteIrLibrary(QStringLiteral("x/evil.irr"), "x/evil", {MakeIrEntry("Power", kCode)});
    ASSERT_TRUE(panel.showAction(
        QStringLiteral("INFR : x/evil : Power : 0 : 1 : 0 : 1 : 1 : c6 : ") + kCodeText));
    EXPECT_EQ(Entries(Page(kIrPage), "function"), QStringList());
    messages.Clear();
    EXPECT_EQ(Emitted(kIrPage, "add"), QStringList());
    EXPECT_EQ(messages.shown, QStringList{latin1::LibraryNameFaultText("x/evil")});

    for (const std::string& stored :
         {std::string("../../x/evil"), std::string("/abs/path"), std::string("ev\0il", 5)}) {
        SCOPED_TRACE(stored);
        WriteIrLibrary(QStringLiteral("Evil.irr"), stored, {MakeIrEntry("Power", kCode)});
        WriteRs232Library(QStringLiteral("Evil.rss"), stored,
                          {Rs232Function("On", "PWR ON", kEndCr)});
        for (int page : {kIrPage, kRs232Page}) {
            messages.openFile = LibraryFilePath(page == kIrPage ? QStringLiteral("Evil.irr")
                                                                : QStringLiteral("Evil.rss"));
            messages.Clear();
            Press(Page(page), "changeLib");
            EXPECT_EQ(messages.shown, QStringList{latin1::LibraryNameFaultText(stored)});
            EXPECT_EQ(Text(Page(page), "libName"), QString());
        }
        // A file found under a safe name that stores such a name: the look-up refuses it.
        WriteIrLibrary(QStringLiteral("TV.irr"), stored, {MakeIrEntry("Power", kCode)});
        ASSERT_TRUE(panel.showAction(kIrText));
        messages.Clear();
        EXPECT_EQ(Emitted(kIrPage, "add"), QStringList());
        EXPECT_EQ(messages.shown, QStringList{latin1::LibraryNameFaultText(stored)});
    }
}

// ---- I/O, relay, delay ----

TEST_F(Pages, IoOutputIsShownOnlyForOutputsAndKeepsItsChoice) {
    panel.setDevice(2, 0);
    ActionPage* p = Page(kIoPage);
    EXPECT_FALSE(Shown(p, "output"));
    EXPECT_FALSE(Shown(p, "outputLabel"));
    Choose(p, "io", QStringLiteral("Out"));
    EXPECT_TRUE(Shown(p, "output"));
    EXPECT_TRUE(Shown(p, "outputLabel"));
    Choose(p, "output", QStringLiteral("1"));
    Choose(p, "io", QStringLiteral("In"));
    EXPECT_FALSE(Shown(p, "output"));
    EXPECT_EQ(Add(kIoPage), "GPIO :  : 0 : 0 : 1 : 1");
    // An input shown keeps the hidden choice; "Edit" writes it.
    ASSERT_TRUE(panel.showAction(QStringLiteral("GPIO : D : 2 : 0 : 0 : 0")));
    EXPECT_FALSE(Shown(p, "output"));
    EXPECT_EQ(Edit(kIoPage), "GPIO : D : 2 : 0 : 1 : 1");
    ASSERT_TRUE(panel.showAction(QStringLiteral("GPIO : D : 2 : 1 : 0 : 0")));
    EXPECT_TRUE(Shown(p, "output"));
    EXPECT_EQ(Edit(kIoPage), "GPIO : D : 2 : 1 : 0 : 0");
}

TEST_F(Pages, ShownPositionsOutsideTheirListsAreWrittenAsNone) {
    // Relay port 7: no selection, "Edit" writes -1 (and the rules refuse nothing for it).
    ASSERT_TRUE(panel.showAction(QStringLiteral("RELY : 7 : 1 : 1")));
    EXPECT_EQ(Find<QComboBox>(Page(kRelayPage), "port")->currentIndex(), -1);
    EXPECT_EQ(Edit(kRelayPage), "RELY : -1 : 1 : 1");
    // Loop: an ID that is no entry selects "1".
    ASSERT_TRUE(panel.showAction(QStringLiteral("CASD : n : 100 : 07 : -")));
    EXPECT_EQ(Find<QComboBox>(Page(kLoopPage), "id")->currentText(), "1");
    EXPECT_EQ(Find<QComboBox>(Page(kLoopPage), "keyNo")->currentText(), "1");
    // Delay: the readouts show the stored text, the sliders stay in range.
    ASSERT_TRUE(panel.showAction(QStringLiteral("DELY : 0 : 9 : 0 : 0 : 0009000")));
    EXPECT_EQ(Text(Page(kDelayPage), "minuteReadout"), "9");
    EXPECT_EQ(Add(kDelayPage), "DELY : 0 : 9 : 0 : 0 : 0009000");
    ASSERT_TRUE(panel.showAction(QStringLiteral("DELY : 0 : 0 : 0 : 0 : 0000000")));
    EXPECT_EQ(Add(kDelayPage), "DELY : 0 : 0 : 0 : 0 : 0000000");
}

// ---- Compare ----

TEST_F(Pages, CompareFormatAndMode) {
    ActionPage* p = Page(kComparePage);
    panel.setDevice(2, 0);
    EXPECT_TRUE(Find<QAbstractButton>(p, "include")->isChecked());
    EXPECT_EQ(Add(kComparePage), "UCMP :  : 0 : 0 : 0 :1 :"); // empty data is accepted
    for (auto [end, hex] : {std::pair{"endNone", "4f 4b"}, std::pair{"endEnter", "4f 4b 0d 0a"}}) {
        Press(p, "ascii");
        Type(p, "data", QStringLiteral("OK"));
        Press(p, end);
        Press(p, "hex");
        EXPECT_EQ(Text(p, "data"), hex);
        EXPECT_FALSE(Shown(p, "endGroup"));
    }
    Press(p, "ascii");
    EXPECT_EQ(Text(p, "data"), QString());
    EXPECT_TRUE(Shown(p, "endGroup"));
    ASSERT_TRUE(panel.showAction(QStringLiteral("UCMP : A : 2 : 1 : 0 :0 :4f 4b")));
    EXPECT_TRUE(Find<QAbstractButton>(p, "equal")->isChecked());
    EXPECT_TRUE(Find<QAbstractButton>(p, "hex")->isChecked());
    EXPECT_TRUE(Find<CRS232Edit>(p, "data")->hexInput());
    EXPECT_EQ(Edit(kComparePage), "UCMP : A : 2 : 1 : 0 :0 :4f 4b");
    Press(p, "clear");
    EXPECT_EQ(Text(p, "data"), QString());
}

// ---- The RS232 data box ----

TEST(Rs232Edit, HexInputDropsOtherTypedCharactersButNotPastedOnes) {
    CRS232Edit box;
    box.show();
    QTest::keyClicks(&box, QStringLiteral("0aG.z F:"));
    EXPECT_EQ(box.text(), "0aG.z F:"); // off: everything is typed
    box.clear();
    box.setHexInput(true);
    QTest::keyClicks(&box, QStringLiteral("0aG.z F:9"));
    EXPECT_EQ(box.text(), "0a. F9");
    QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(box.text(), "0a. F");
    QApplication::clipboard()->setText(QStringLiteral("xyz"));
    QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box.text(), "0a. Fxyz");
    for (char16_t c : u"0123456789abcdefABCDEF .") {
        if (c) {
            EXPECT_TRUE(CRS232Edit::IsHexInputCharacter(QChar(c))) << char(c);
        }
    }
    for (char16_t c : u"gG:-_xZ\u00e9") {
        if (c) {
            EXPECT_FALSE(CRS232Edit::IsHexInputCharacter(QChar(c))) << char(c);
        }
    }
}

// ---- Accessibility and screenshots ----

TEST_F(Pages, EveryControlHasANameAndTheLabelledOnesTheirLabel) {
    for (int i = 0; i < kActionPageCount; ++i) {
        ActionPage* page = Page(i);
        SCOPED_TRACE(page->objectName().toStdString());
        for (QWidget* w : page->findChildren<QWidget*>()) {
            const bool control = qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) ||
                                 qobject_cast<QSlider*>(w) || qobject_cast<QAbstractButton*>(w);
            if (control && !w->objectName().startsWith(QLatin1String("qt_"))) {
                // On Linux a combo box reads its entry as its name; its label comes through
                // the label relation, so the widget's own name is what is checked for it.
                const QString name =
                    qobject_cast<QComboBox*>(w) ? w->accessibleName() : AccessibleName(w);
                EXPECT_FALSE(name.isEmpty()) << w->objectName().toStdString();
            }
        }
        for (QLabel* label : page->findChildren<QLabel*>()) {
            ASSERT_NE(label->buddy(), nullptr) << label->text().toStdString();
            EXPECT_EQ(label->buddy()->accessibleName(), label->text());
            // The screen reader finds the label as the control's label.
            QAccessibleInterface* control = QAccessible::queryAccessibleInterface(label->buddy());
            ASSERT_NE(control, nullptr);
            bool labelled = false;
            for (const auto& [other, relation] : control->relations(QAccessible::Label)) {
                labelled = labelled || other->object() == label;
            }
            EXPECT_TRUE(labelled) << label->text().toStdString();
        }
    }
    // Controls without visible text say what they are for.
    EXPECT_FALSE(Find<QWidget>(Page(kComparePage), "data")->toolTip().isEmpty());
    EXPECT_EQ(Find<QWidget>(Page(kRs232Page), "baudRate")->accessibleName(), "Baud Rate:");
    EXPECT_EQ(AccessibleName(Find<QWidget>(Page(kRs232Page), "eventName")), "Event Name");
    EXPECT_EQ(AccessibleName(Find<QWidget>(Page(kLedPage), "add")), "Add");
}

// QZ_SHOTS=DIR: every page, each with its example shown, as PNG files in DIR; at the size the
// window gives the panel, and at the size of the smallest window, where a page may scroll.
TEST_F(Pages, Screenshots) {
    const QString dir = qEnvironmentVariable("QZ_SHOTS");
    for (const PageCase& c : PageCases()) {
        panel.setDevice(c.model, 0);
        ASSERT_TRUE(panel.showAction(c.text));
        if (c.page == kRs232Page || c.page == kIoPage) {
            // Show the controls that start hidden.
            Choose(Page(c.page), c.page == kRs232Page ? "active" : "io",
                   c.page == kRs232Page ? QStringLiteral("More Time") : QStringLiteral("Out"));
        }
        for (const auto& [size, suffix] :
             {std::pair{QSize(720, 480), ""}, std::pair{QSize(520, 300), "-small"}}) {
            panel.resize(size);
            QCoreApplication::sendPostedEvents();
            const QPixmap shot = panel.grab();
            ASSERT_FALSE(shot.isNull());
            // Every control gets at least the room it needs: nothing is cut off.
            for (QWidget* w : Page(c.page)->findChildren<QWidget*>()) {
                if (w->isVisible() && !w->objectName().startsWith(QLatin1String("qt_"))) {
                    EXPECT_GE(w->width(), w->minimumSizeHint().width())
                        << c.name << suffix << ": " << w->objectName().toStdString();
                    EXPECT_GE(w->height(), w->minimumSizeHint().height())
                        << c.name << suffix << ": " << w->objectName().toStdString();
                }
            }
            if (*suffix == '\0') {
                // At the usual size the whole page is in view.
                auto* area = qobject_cast<QScrollArea*>(panel.tabs()->currentWidget());
                ASSERT_NE(area, nullptr);
                EXPECT_FALSE(area->verticalScrollBar()->isVisible()) << c.name;
                EXPECT_FALSE(area->horizontalScrollBar()->isVisible()) << c.name;
            }
            if (!dir.isEmpty()) {
                QDir().mkpath(dir);
                EXPECT_TRUE(shot.save(QStringLiteral("%1/page-%2-%3%4.png")
                                          .arg(dir)
                                          .arg(c.page)
                                          .arg(QLatin1String(c.name), QLatin1String(suffix))));
            }
        }
    }
}

// ---- Speed ----

TEST_F(Pages, ShowingAnActionIsQuick) {
    for (const PageCase& c : PageCases()) {
        panel.setDevice(c.model, 0);
        constexpr int kRounds = 200;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < kRounds; ++i) {
            ASSERT_TRUE(panel.showAction(c.text));
        }
        const double ms = double(timer.nsecsElapsed()) / 1e6 / kRounds;
        RecordProperty(std::string("show_ms_") + c.name, std::to_string(ms));
        std::printf("show %-8s %.3f ms\n", c.name, ms);
        EXPECT_EQ(Add(c.page), c.text);
    }
}

} // namespace

QZ_UI_TEST_MAIN()
