// The key panel as it is seen and used: colours of the styles and of hover, the number and the
// name inside each key, scaling with the panel, accessible names and the keyboard.
#include <QEnterEvent>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "UiTestSupport.h"
#include "ui/controls/KeyPanel.h"

using namespace qz;
using qz::test::AccessibleName;
using qz::test::Layout;

namespace {

QImage Image(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

::testing::AssertionResult Near(QColor actual, QColor expected) {
    const int d = std::abs(actual.red() - expected.red()) +
                  std::abs(actual.green() - expected.green()) +
                  std::abs(actual.blue() - expected.blue());
    if (d <= 6) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "(" << actual.red() << "," << actual.green() << "," << actual.blue()
           << ") instead of (" << expected.red() << "," << expected.green() << ","
           << expected.blue() << ")";
}

// The top and bottom rows inside the border, in the middle where neither text reaches.
QColor Top(const QImage& image) {
    return image.pixelColor(image.width() / 2, 1);
}
QColor Bottom(const QImage& image) {
    return image.pixelColor(image.width() / 2, image.height() - 2);
}

struct Fixture : ::testing::Test {
    QWidget window;
    KeyPanel* panel = new KeyPanel;
    QLineEdit* before = new QLineEdit; // something to tab from
    Fixture() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(before);
        layout->addWidget(panel);
        window.resize(KeyPanel::kPanelWidth + 40, KeyPanel::kPanelHeight + 80);
    }
    void ShowActive() {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
};

TEST_F(Fixture, StylesPaintTheirGradients) {
    Configuration config = Layout(1);
    config.keys[1].keyStyle = 1;
    config.keys[2].keyStyle = 2;
    panel->showConfiguration(config);
    struct Case {
        int key, style;
        QColor top, bottom;
    };
    for (const Case& c :
         {Case{0, 0, {255, 255, 255}, {255, 255, 255}}, Case{1, 1, {255, 255, 0}, {0, 0, 0}},
          Case{2, 2, {255, 255, 255}, {255, 0, 0}}, Case{8, 3, {199, 224, 248}, {64, 148, 232}},
          Case{33, 4, {245, 248, 199}, {218, 227, 28}}}) {
        CBaseButton* key = panel->key(c.key);
        EXPECT_EQ(key->keyStyle(), c.style);
        const QImage image = Image(key);
        EXPECT_TRUE(Near(Top(image), c.top)) << "style " << c.style;
        EXPECT_TRUE(Near(Bottom(image), c.bottom)) << "style " << c.style;
        // A vertical gradient: the middle lies between the two.
        const QColor middle = image.pixelColor(2, image.height() / 2);
        EXPECT_LE(middle.green(), std::max(c.top.green(), c.bottom.green()));
        EXPECT_GE(middle.green(), std::min(c.top.green(), c.bottom.green()));
    }
}

TEST_F(Fixture, HoverPaintsGreenUntilTheMouseLeaves) {
    panel->showConfiguration(Layout(1));
    CBaseButton* key = panel->key(8); // style 3
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(key, &enter);
    EXPECT_TRUE(key->hovered());
    QImage image = Image(key);
    EXPECT_TRUE(Near(Top(image), QColor(0, 255, 0)));
    EXPECT_TRUE(Near(Bottom(image), QColor(255, 255, 255)));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(key, &leave);
    EXPECT_FALSE(key->hovered());
    EXPECT_TRUE(Near(Top(Image(key)), QColor(199, 224, 248)));
}

int CountPixels(const QImage& image, const QRect& area, const std::function<bool(QColor)>& test) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            n += test(image.pixelColor(x, y)) ? 1 : 0;
        }
    }
    return n;
}

bool Reddish(QColor c) {
    return c.red() > 200 && c.green() < 120 && c.blue() < 120;
}
bool Dark(QColor c) {
    return c.red() < 80 && c.green() < 80 && c.blue() < 80;
}

TEST_F(Fixture, TheNumberIsRedTopLeftAndTheNameStaysInsideTheBorder) {
    Configuration config = Layout(1);
    config.keys[0].keyName = "WWWWWWWWWWWW"; // a name far too long for the key
    panel->showConfiguration(config);
    for (const QSize size : {QSize(KeyPanel::kPanelWidth, KeyPanel::kPanelHeight),
                             QSize(KeyPanel::kPanelWidth * 2, KeyPanel::kPanelHeight * 2)}) {
        panel->resize(size);
        const QImage image = Image(panel->key(0));
        const int w = image.width();
        const int h = image.height();
        const QRect topLeft(0, 0, w / 3, h / 2);
        const QRect rest(w / 2, 0, w - w / 2, h);
        EXPECT_GT(CountPixels(image, topLeft, Reddish), 0) << w;
        EXPECT_EQ(CountPixels(image, rest, Reddish), 0) << w;
        // The name is drawn (black) but never over the border.
        EXPECT_GT(CountPixels(image, QRect(0, h / 2, w, h / 2), Dark), 0);
        for (int x = 0; x < w; ++x) {
            EXPECT_TRUE(Near(image.pixelColor(x, 0), QColor(96, 96, 96))) << x;
            EXPECT_TRUE(Near(image.pixelColor(x, h - 1), QColor(96, 96, 96))) << x;
        }
        for (int y = 0; y < h; ++y) {
            EXPECT_TRUE(Near(image.pixelColor(0, y), QColor(96, 96, 96))) << y;
            EXPECT_TRUE(Near(image.pixelColor(w - 1, y), QColor(96, 96, 96))) << y;
        }
        // Nothing dark touches the inner ring next to the border either.
        EXPECT_EQ(CountPixels(image, QRect(1, 1, 1, h - 2), Dark), 0);
        EXPECT_EQ(CountPixels(image, QRect(w - 2, 1, 1, h - 2), Dark), 0);
    }
}

TEST(KeyPanelScale, ThePanelScalesTheLayoutEvenly) {
    KeyPanel solo;
    KeyPanel* panel = &solo;
    solo.show();
    for (int model = 0; model <= 2; ++model) {
        panel->showConfiguration(Layout(model));
        for (const double factor : {1.0, 1.5, 2.0}) {
            const int W = int(KeyPanel::kPanelWidth * factor);
            const int H = int(KeyPanel::kPanelHeight * factor);
            panel->resize(W, H + 60); // taller than needed: the layout is centred vertically
            EXPECT_NEAR(panel->scale(), factor, 0.01);
            for (int k = 0; k < kKeyCount; ++k) {
                const QPoint base =
                    KeyPanel::KeyPosition(model, k, KeyPanel::kPanelWidth, KeyPanel::kPanelHeight);
                CBaseButton* key = panel->key(k);
                ASSERT_EQ(!key->isHidden(), base.x() >= 0);
                if (base.x() < 0) {
                    continue;
                }
                EXPECT_NEAR(key->width(), KeyPanel::kKeyWidth * factor, 1);
                EXPECT_NEAR(key->height(), KeyPanel::kKeyHeight * factor, 1);
                EXPECT_NEAR(key->x(), base.x() * factor, 1) << model << "/" << k;
                EXPECT_NEAR(key->y(), base.y() * factor + 30, 1) << model << "/" << k;
                EXPECT_TRUE(panel->rect().contains(key->geometry()));
                for (int other = k + 1; other < kKeyCount; ++other) {
                    if (!panel->key(other)->isHidden()) {
                        EXPECT_FALSE(key->geometry().intersects(panel->key(other)->geometry()))
                            << model << ": " << k << " and " << other;
                    }
                }
            }
        }
    }
}

TEST_F(Fixture, KeysHaveAccessibleNamesFromNumberAndName) {
    Configuration config = Layout(1);
    config.keys[4].keyName = "Fan";
    config.keys[9].keyName = " Tv ";
    panel->showConfiguration(config);
    EXPECT_EQ(AccessibleName(panel->key(4)), "Key 5 Fan");
    EXPECT_EQ(AccessibleName(panel->key(9)), "Key 10 Tv");
    EXPECT_EQ(AccessibleName(panel->key(0)), "Key 1"); // still named by its number
    EXPECT_EQ(AccessibleName(panel->key(32)), "Key 33 IOL");
    EXPECT_EQ(AccessibleName(panel->key(35)), "Key 36 Start");
    EXPECT_EQ(AccessibleName(panel), "Key panel");
    // All 36 differ.
    QStringList names;
    for (int k = 0; k < kKeyCount; ++k) {
        names << AccessibleName(panel->key(k));
    }
    names.removeDuplicates();
    EXPECT_EQ(names.size(), kKeyCount);
}

TEST_F(Fixture, ArrowKeysMoveAndEnterOrSpaceOpen) {
    panel->showConfiguration(Layout(1));
    ShowActive();
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    ASSERT_TRUE(panel->key(0)->hasFocus()); // Tab enters the panel at its focus key
    EXPECT_EQ(panel->focusKey(), 0);

    // Model 1: keys 0..3 and 4..7 in two rows, the four system sources below them.
    struct Step {
        Qt::Key key;
        int lands;
    };
    for (const Step& s : {Step{Qt::Key_Right, 1}, Step{Qt::Key_Right, 2}, Step{Qt::Key_Down, 6},
                          Step{Qt::Key_Left, 5}, Step{Qt::Key_Down, 33}, Step{Qt::Key_Up, 5},
                          Step{Qt::Key_Up, 1}, Step{Qt::Key_Up, 1}}) {
        QTest::keyClick(QApplication::focusWidget(), s.key);
        EXPECT_EQ(panel->focusKey(), s.lands);
        EXPECT_TRUE(panel->key(s.lands)->hasFocus()) << s.lands;
    }

    // The focus key is drawn with a frame in the highlight colour; the others are not.
    const QColor frame = panel->palette().color(QPalette::Highlight);
    const QImage focused = Image(panel->key(1));
    EXPECT_TRUE(Near(focused.pixelColor(focused.width() / 2, 2), frame));
    const QImage other = Image(panel->key(2));
    EXPECT_FALSE(Near(other.pixelColor(other.width() / 2, 2), frame));

    QSignalSpy clicked(panel, &KeyPanel::keyClicked);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    ASSERT_EQ(clicked.count(), 3);
    EXPECT_EQ(clicked[0][0].toInt(), 1);
    EXPECT_EQ(clicked[1][0].toInt(), 1);
    EXPECT_EQ(clicked[2][0].toInt(), 2);

    // Focusing the panel focuses its focus key.
    before->setFocus();
    panel->setFocus();
    EXPECT_TRUE(panel->key(2)->hasFocus());
    EXPECT_TRUE(panel->hasFocus());

    // A click moves the focus key too; Tab leaves the panel and comes back to it.
    QTest::mouseClick(panel->key(20), Qt::LeftButton);
    EXPECT_EQ(panel->focusKey(), 20);
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    EXPECT_TRUE(panel->key(20)->hasFocus());
}

TEST_F(Fixture, AModelChangeMovesTheFocusOffAHiddenKey) {
    panel->showConfiguration(Layout(2));
    panel->setFocusKey(18); // the cross of model 2
    EXPECT_EQ(panel->focusKey(), 18);
    panel->showConfiguration(Layout(5)); // no layout: every key hidden
    EXPECT_EQ(panel->focusKey(), 0);
}

} // namespace

QZ_UI_TEST_MAIN()
