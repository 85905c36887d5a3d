#include "ui/dialogs/AboutDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

namespace qz {

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // The keypad's face plate ...
    QLinearGradient plate(0, 0, 0, s);
    plate.setColorAt(0, QColor(245, 248, 199));
    plate.setColorAt(1, QColor(218, 227, 28));
    p.setPen(QPen(QColor(80, 80, 80), qMax(1.0, s / 32)));
    p.setBrush(plate);
    p.drawRoundedRect(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88), s * 0.12, s * 0.12);
    // ... and a two-by-three block of keys, one of them lit as the panel lights a hovered key.
    const qreal key = s * 0.26;
    const qreal gap = s * 0.08;
    const qreal left = (s - 2 * key - gap) / 2;
    const qreal top = (s - 3 * key * 0.7 - 2 * gap) / 2;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 2; ++c) {
            const QRectF rect(left + c * (key + gap), top + r * (key * 0.7 + gap), key, key * 0.7);
            QLinearGradient face(rect.topLeft(), rect.bottomLeft());
            const bool lit = r == 0 && c == 1;
            face.setColorAt(0, lit ? QColor(0, 255, 0) : QColor(199, 224, 248));
            face.setColorAt(1, lit ? QColor(255, 255, 255) : QColor(64, 148, 232));
            p.setBrush(face);
            p.drawRoundedRect(rect, s * 0.03, s * 0.03);
        }
    }
    return pixmap;
}

} // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(DrawIcon(size));
    }
    return icon;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(QStringLiteral("QRM-Control-V1.14"));
    setWindowIcon(ProgramIcon());

    auto* picture = new QLabel;
    picture->setPixmap(ProgramIcon().pixmap(64, 64));
    picture->setAccessibleName(QStringLiteral("Program icon"));
    // The keypad's own line first, exactly as its users know it.
    auto* firmware = new QLabel(QStringLiteral(" QRM-K6\uFF0C1.14 version"));
    firmware->setObjectName(QStringLiteral("aboutVersion"));
    auto* program = new QLabel(QStringLiteral("qzctr %1, the configuration tool for the keypad "
                                              "controller.\nQuestions and reports: the maker of "
                                              "your keypad, or your installer.")
                                   .arg(QApplication::applicationVersion().isEmpty()
                                            ? QStringLiteral(QZCTR_VERSION)
                                            : QApplication::applicationVersion()));
    program->setObjectName(QStringLiteral("aboutProgram"));
    program->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* texts = new QVBoxLayout;
    texts->addWidget(firmware);
    texts->addWidget(program);
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
}

} // namespace qz
