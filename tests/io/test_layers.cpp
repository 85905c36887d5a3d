// The layers, lowest first: model < io < store, library < link < ui, cli. Store and library stand
// side by side, as do ui and cli on top. A file may include headers of its own layer and of the
// layers below it, never of one above or beside it; model stays free of Qt, and only ui includes a
// Widgets header. This reads every #include line of every .h and .cpp in the layer folders of the
// source tree.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

const QString kSourceRoot = QStringLiteral(QZ_SOURCE_DIR);

const QMap<QString, int>& Ranks() {
    static const QMap<QString, int> ranks{{"model", 0}, {"io", 1}, {"store", 2}, {"library", 2},
                                          {"link", 3},  {"ui", 4}, {"cli", 4}};
    return ranks;
}

struct Scan {
    QStringList faults;       // "file:line: what"
    QMap<QString, int> files; // per layer
    int crossIncludes = 0;    // includes of another layer's header, allowed ones included
};

// The folder of Qt's Widgets headers as installed: a header is a Widgets one when it is there
// (<QWidget>, <QMessageBox>, <qdialog.h>, <QtWidgets>), or when it is named inside it.
QString InstalledWidgetsHeaders() {
    return QLibraryInfo::path(QLibraryInfo::HeadersPath) + QStringLiteral("/QtWidgets");
}

bool IsWidgetsHeader(const QString& header, const QString& widgetsHeaders) {
    if (header.startsWith(QLatin1String("QtWidgets/")) || header == QLatin1String("QtWidgets")) {
        return true;
    }
    return !header.contains('/') && QFileInfo::exists(widgetsHeaders + '/' + header);
}

Scan ScanTree(const QString& root, const QString& widgetsHeaders = InstalledWidgetsHeaders()) {
    static const QRegularExpression include(
        QStringLiteral(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])"));
    Scan scan;
    for (auto it = Ranks().cbegin(); it != Ranks().cend(); ++it) {
        const QString layer = it.key();
        QDirIterator files(root + '/' + layer, {"*.h", "*.cpp"}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            ++scan.files[layer];
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                scan.faults << path + ": cannot be read";
                continue;
            }
            const QString where = QDir(root).relativeFilePath(path);
            int lineNumber = 0;
            while (!file.atEnd()) {
                ++lineNumber;
                const QString line = QString::fromUtf8(file.readLine());
                const QRegularExpressionMatch m = include.match(line);
                if (!m.hasMatch()) {
                    continue;
                }
                QString header = m.captured(1);
                while (header.startsWith(QLatin1String("../"))) {
                    header = header.mid(3);
                }
                const QString at = QStringLiteral("%1:%2: ").arg(where).arg(lineNumber);
                if (layer == QLatin1String("model") && header.startsWith('Q')) {
                    scan.faults << at + "model includes Qt (" + header + ")";
                }
                if (layer != QLatin1String("ui") && IsWidgetsHeader(header, widgetsHeaders)) {
                    scan.faults << at + layer + " includes the Widgets header " + header;
                }
                const QString target = header.section('/', 0, 0);
                if (!header.contains('/') || !Ranks().contains(target) || target == layer) {
                    continue;
                }
                ++scan.crossIncludes;
                if (Ranks().value(target) >= it.value()) {
                    scan.faults << at + layer + " includes " + header + ", not of a layer below it";
                }
            }
        }
    }
    return scan;
}

void Write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// The scan itself, on a small tree with known faults.
TEST(Layers, TheScanFindsEveryIncludeFromAboveOrBeside) {
    QTemporaryDir dir;
    Write(dir.filePath("model/A.h"), "#include <string>\n#include <QString>\n");
    Write(dir.filePath("io/B.cpp"), "#include \"B.h\"\n#include \"model/A.h\"\n");
    Write(dir.filePath("store/C.cpp"), "#include \"io/B.h\"\n  #  include <library/D.h>\n");
    Write(dir.filePath("library/D.h"), "#include \"store/C.h\"\n");
    Write(dir.filePath("link/E.cpp"), "// #include \"ui/F.h\" in a comment is no include\n");
    Write(dir.filePath("ui/pages/F.cpp"), "#include \"../cli/G.h\"\n#include \"link/E.h\"\n");
    Write(dir.filePath("cli/G.cpp"), "#include \"ui/F.h\"\n#include \"link/E.h\"\n");
    // Widgets headers: known by the installed folder, or by their module's name.
    Write(dir.filePath("qt/QtWidgets/QWidget"), "");
    Write(dir.filePath("qt/QtWidgets/qmessagebox.h"), "");
    Write(dir.filePath("io/H.cpp"), "#include <QWidget>\n#include <QFile>\n");
    Write(dir.filePath("library/I.h"), "#include <QtWidgets/QDialog>\n");
    Write(dir.filePath("link/J.cpp"), "#include <qmessagebox.h>\n#include <QtWidgets>\n");
    Write(dir.filePath("cli/K.cpp"), "#include <QWidget>\n");
    Write(dir.filePath("ui/L.cpp"), "#include <QWidget>\n#include <QtWidgets/QDialog>\n");
    const Scan scan = ScanTree(dir.path(), dir.filePath("qt/QtWidgets"));
    const QStringList expected{
        "cli/G.cpp:1: cli includes ui/F.h, not of a layer below it",
        "cli/K.cpp:1: cli includes the Widgets header QWidget",
        "io/H.cpp:1: io includes the Widgets header QWidget",
        "library/D.h:1: library includes store/C.h, not of a layer below it",
        "library/I.h:1: library includes the Widgets header QtWidgets/QDialog",
        "link/J.cpp:1: link includes the Widgets header qmessagebox.h",
        "link/J.cpp:2: link includes the Widgets header QtWidgets",
        "model/A.h:2: model includes Qt (QString)",
        "store/C.cpp:2: store includes library/D.h, not of a layer below it",
        "ui/pages/F.cpp:1: ui includes cli/G.h, not of a layer below it",
    };
    QStringList found = scan.faults;
    found.sort();
    EXPECT_EQ(found, expected);
    EXPECT_EQ(scan.crossIncludes, 8);
}

TEST(Layers, NoFileIncludesALayerAboveOrBesideItsOwn) {
    // The Widgets headers are where the scan looks for them, so that none can slip through.
    ASSERT_TRUE(QFileInfo::exists(InstalledWidgetsHeaders() + QStringLiteral("/QWidget")))
        << InstalledWidgetsHeaders().toStdString();
    const Scan scan = ScanTree(kSourceRoot);
    EXPECT_TRUE(scan.faults.isEmpty()) << scan.faults.join('\n').toStdString();
    // The tree was really read: every layer has files, and layers do include each other.
    for (auto it = Ranks().cbegin(); it != Ranks().cend(); ++it) {
        EXPECT_GT(scan.files.value(it.key()), 0) << it.key().toStdString();
    }
    EXPECT_GT(scan.crossIncludes, 50);
}

} // namespace
