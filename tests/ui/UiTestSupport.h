#pragma once
// What the widget tests share: messages that the test answers through the one dialog seam, finding
// and pressing controls by object name, and a main() with a QApplication on the offscreen
// platform.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <ostream>
#include <string>

#include "library/Rs232Library.h"
#include "model/Configuration.h"
#include "ui/dialogs/Messages.h"

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* out) {
    *out << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{' << list.join(QStringLiteral(", ")).toStdString() << '}';
}

namespace qz::test {

// Records every message; runs each dialog through `onExec` (which fills it in and presses its
// buttons) instead of a modal loop. Without a handler a dialog counts as cancelled.
class AnsweringMessages : public WidgetMessages {
  public:
    AnsweringMessages() : WidgetMessages(nullptr) {}
    void Show(const QString& text, const QString&) override { shown << text; }
    int Exec(QDialog& dialog) override {
        ++dialogs;
        if (!onExec) {
            return QDialog::Rejected;
        }
        dialog.show();
        onExec(dialog);
        // The handler may have left the dialog open (a refused input): that is not an answer.
        return dialog.isVisible() ? QDialog::Rejected : dialog.result();
    }

    QStringList shown;
    int dialogs = 0;
    std::function<void(QDialog&)> onExec;
};

// Answers questions from a queue (none left: No, Cancel), file dialogs with `file`, and each dialog
// through the handler registered for its object name, else through `onExec`; a dialog without
// either is recorded and counts as cancelled. Records every message and question.
class ScriptedMessages final : public IMessages {
  public:
    void Show(const QString& text, const QString&) override { shown << text; }
    bool Ask(const QString& text, const QString&) override {
        asked << text;
        return Take() == 1;
    }
    int AskYesNoCancel(const QString& text, const QString&) override {
        asked << text;
        return Take();
    }
    QString OpenFileName(const QString&, const QString&, const QString&) override { return file; }
    QString SaveFileName(const QString&, const QString&, const QString&) override { return file; }
    int Exec(QDialog& dialog) override {
        dialogs << dialog.objectName();
        const auto named = handlers.find(dialog.objectName());
        const auto& handler = named != handlers.end() ? named->second : onExec;
        if (!handler) {
            return QDialog::Rejected;
        }
        dialog.show();
        handler(dialog);
        // The handler may have left the dialog open (a refused input): that is not an answer.
        return dialog.isVisible() ? QDialog::Rejected : dialog.result();
    }
    int Take() {
        if (answers.empty()) {
            return -1;
        }
        const int a = answers.front();
        answers.pop_front();
        return a;
    }

    QStringList shown;
    QStringList asked;
    QStringList dialogs;
    std::deque<int> answers; // 1 yes, 0 no, -1 cancel
    QString file;
    std::function<void(QDialog&)> onExec;
    std::map<QString, std::function<void(QDialog&)>> handlers;
};

// The window's menu command with this text; the test fails when there is none.
inline QAction* Command(QWidget& window, const QString& text) {
    for (QAction* a : window.findChildren<QAction*>()) {
        if (a->text() == text) {
            return a;
        }
    }
    ADD_FAILURE() << "no command " << text.toStdString();
    return nullptr;
}

// The child of `parent` named `name`; the test fails when there is none.
template <class T> T* Find(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QLatin1String(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// Clicks the push button named `button` with the mouse.
inline void Press(QWidget& dialog, const char* button) {
    QTest::mouseClick(Find<QPushButton>(dialog, button), Qt::LeftButton);
}

// A project with the keys of device `model` laid out.
inline Configuration Layout(int model) {
    Configuration config;
    config.LayoutKeys(model);
    config.deviceModel = model;
    return config;
}

// An RS232 library function at 9600 baud, 8 data bits, 1 stop bit, no parity, holding `data`.
inline CRS232LibFun Rs232LibraryFunction(const std::string& name, int format, int endChar,
                                         const std::string& data) {
    CRS232LibFun f;
    f.name = name;
    f.baudRate = "9600";
    f.dataBits = "8";
    f.stopBits = "1";
    f.parity = "NONE";
    f.format = format;
    f.endChar = endChar;
    f.dataLength = int(data.size());
    std::copy(data.begin(), data.end(), f.data.begin());
    return f;
}

// The name a screen reader reads for the widget.
inline QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

} // namespace qz::test

// The offscreen platform unless the caller chose one (screenshots run under Xvfb), and a
// settings home of its own.
#define QZ_UI_TEST_MAIN()                                                                          \
    int main(int argc, char** argv) {                                                              \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {                                      \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        }                                                                                          \
        QTemporaryDir home;                                                                        \
        qputenv("QZCTR_HOME", home.path().toLocal8Bit());                                          \
        QApplication app(argc, argv);                                                              \
        ::testing::InitGoogleTest(&argc, argv);                                                    \
        return RUN_ALL_TESTS();                                                                    \
    }
