// Every dialog laid out as shown: each control inside the dialog, no two controls on top of each
// other, no text cut off. With QZ_SHOTS_DIR set, each is also saved there as a PNG (run under
// Xvfb with QT_QPA_PLATFORM=xcb to see them as a user does).
#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSlider>
#include <QTest>
#include <memory>

#include "UiTestSupport.h"
#include "ui/controls/KeyPanel.h"
#include "ui/dialogs/KeyDialogs.h"
#include "ui/dialogs/SmallDialogs.h"

using namespace qz;
using qz::test::AnsweringMessages;
using qz::test::Layout;

namespace {

void Save(QWidget& widget, const QString& name) {
    const QString dir = qEnvironmentVariable("QZ_SHOTS_DIR");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        EXPECT_TRUE(widget.grab().save(QDir(dir).filePath(name + ".png")));
    }
}

bool IsControl(QWidget* w) {
    if (qobject_cast<QLineEdit*>(w) && qobject_cast<QComboBox*>(w->parentWidget())) {
        return false; // part of its combo box
    }
    return qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
           qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) ||
           qobject_cast<QSlider*>(w) || qobject_cast<QProgressBar*>(w) ||
           qobject_cast<QGroupBox*>(w);
}

QString Describe(QWidget* w) {
    QString text;
    if (auto* label = qobject_cast<QLabel*>(w)) {
        text = label->text();
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        text = button->text();
    }
    return QStringLiteral("%1 %2 \"%3\"")
        .arg(QLatin1String(w->metaObject()->className()), w->objectName(), text);
}

// Shows the dialog and checks what a look at it would check.
void CheckLayout(QWidget& dialog, const QString& name) {
    SCOPED_TRACE(name.toStdString());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QCoreApplication::processEvents();
    Save(dialog, name);

    std::vector<QWidget*> controls;
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        if (IsControl(w) && w->isVisibleTo(&dialog)) {
            controls.push_back(w);
        }
    }
    ASSERT_FALSE(controls.empty());
    for (QWidget* w : controls) {
        const QRect at(w->mapTo(&dialog, QPoint(0, 0)), w->size());
        EXPECT_TRUE(dialog.rect().contains(at)) << Describe(w).toStdString();
        // Text that does not fit is cut off: each control is at least as large as it asks.
        auto* label = qobject_cast<QLabel*>(w);
        if (label && label->wordWrap()) {
            EXPECT_GE(w->height(), label->heightForWidth(w->width())) << Describe(w).toStdString();
        } else if (!label || !label->text().isEmpty()) {
            const QSize need = qobject_cast<QComboBox*>(w) ? w->sizeHint() : w->minimumSizeHint();
            EXPECT_GE(w->width(), need.width()) << Describe(w).toStdString();
            EXPECT_GE(w->height(), need.height()) << Describe(w).toStdString();
        }
    }
    // Every control a user operates or reads a value from has a name for a screen reader (on
    // Linux a combo box's accessible text is its entry, so its name is the property), and one
    // without visible text a tooltip too.
    for (QWidget* w : controls) {
        if (qobject_cast<QLabel*>(w) || qobject_cast<QGroupBox*>(w)) {
            continue;
        }
        const QString name =
            qobject_cast<QComboBox*>(w) ? w->accessibleName() : qz::test::AccessibleName(w);
        EXPECT_FALSE(name.trimmed().isEmpty()) << Describe(w).toStdString();
        if (qobject_cast<QSlider*>(w)) {
            EXPECT_FALSE(w->toolTip().isEmpty()) << Describe(w).toStdString();
        }
    }
    for (size_t a = 0; a < controls.size(); ++a) {
        for (size_t b = a + 1; b < controls.size(); ++b) {
            QWidget* x = controls[a];
            QWidget* y = controls[b];
            if (x->isAncestorOf(y) || y->isAncestorOf(x)) {
                continue;
            }
            const QRect rx(x->mapTo(&dialog, QPoint(0, 0)), x->size());
            const QRect ry(y->mapTo(&dialog, QPoint(0, 0)), y->size());
            EXPECT_FALSE(rx.intersects(ry))
                << Describe(x).toStdString() << " overlaps " << Describe(y).toStdString();
        }
    }
}

TEST(DialogLayout, NormalKeyDialogForEachType) {
    AnsweringMessages messages;
    Configuration config = Layout(1);
    config.keys[4].keyName = "Fan";
    config.keys[4].ledBrightness = 3;
    for (const char* type : {"Press", "Release", "Page", "Toggle"}) {
        CDlgKeyNormal dialog(config, 4, messages);
        auto* combo = dialog.findChild<QComboBox*>("keyActionType");
        combo->setCurrentIndex(combo->findText(type));
        CheckLayout(dialog, QStringLiteral("key-normal-%1").arg(QString(type).toLower()));
    }
}

TEST(DialogLayout, SystemAndVirtualKeyDialogs) {
    AnsweringMessages messages;
    const Configuration model2 = Layout(2);
    for (const int key : {32, 34, 35}) {
        CDlgKeySys dialog(model2, key, messages);
        if (key == 34) {
            dialog.findChild<QSlider*>("time")->setValue(45);
        }
        CheckLayout(dialog, QStringLiteral("key-system-%1").arg(key + 1));
    }
    Configuration config = Layout(1);
    config.keys[12].keyName = "Loop";
    CDlgKeyVirt virt(config, 12, messages);
    CheckLayout(virt, "key-virtual");
}

TEST(DialogLayout, SmallDialogs) {
    AnsweringMessages messages;
    CDlgAsk ask("Clear all the parameters of the machine,\rare you sure ? ");
    CheckLayout(ask, "ask");
    CDlgClearAll clear;
    CheckLayout(clear, "clear-progress");
    clear.finish();
    Configuration config = Layout(0);
    for (int k = 0; k < 6; ++k) {
        config.AddEvent(k, kFamilyKey, 0, 0);
    }
    CDlgProgress progress(config);
    progress.setPosition(progress.steps().count / 3);
    CheckLayout(progress, "upload-progress");
    CDlgNewName name(CDlgNewName::IrLibrary, {}, messages);
    CheckLayout(name, "new-name");
    CDlgPanel panel(1);
    CheckLayout(panel, "output-port-selection");
}

TEST(DialogLayout, KeyPanelOfEachModel) {
    for (int model = 0; model <= 2; ++model) {
        for (const int factor : {1, 2}) {
            Configuration config = Layout(model);
            config.keys[0].keyName = "Fan";
            config.keys[1].keyName = "WWWW";
            config.keys[9].keyName = "Tv";
            KeyPanel panel;
            panel.resize(KeyPanel::kPanelWidth * factor, KeyPanel::kPanelHeight * factor);
            panel.showConfiguration(config);
            panel.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
            Save(panel, QStringLiteral("panel-model%1-x%2").arg(model).arg(factor));
            for (int k = 0; k < kKeyCount; ++k) {
                CBaseButton* key = panel.key(k);
                if (!key->isHidden()) {
                    EXPECT_TRUE(panel.rect().contains(key->geometry())) << model << "/" << k;
                }
            }
        }
    }
}

} // namespace

QZ_UI_TEST_MAIN()
