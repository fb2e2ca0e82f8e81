// Lumetra: start-up. Options are answered before any window opens; the remaining
// arguments (a database file and a table name) are read by the main window.
#include <QApplication>
#include <QLocale>

#include <cstdio>

#include "app/Application.h"
#include "app/MessageBox.h"
#include "app/UVisualizationTree.h"
#include "data/Auxiliar.h"
#include "render/gl/SurfaceFormat.h"
#include "vis/UDoubleTrackBarForm.h"

namespace {
const char* const Version = "0.1.0";

const char* const Usage =
    "Usage: lumetra [DATA_FILE | DATABASE_FILE TABLE]\n"
    "Explore a multidimensional table with coordinated views.\n"
    "\n"
    "Without arguments, load a data file or a database table from the main window.\n"
    "With a data file (.lumet, .csv, .tsv or .txt table), the window loads it at once.\n"
    "With an SQLite database file and the name of one of its tables, the window connects\n"
    "to it and offers \"Start here!\".\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n";
} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "-h" || argument == "--help") {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("lumetra %s\n", Version);
            return 0;
        }
    }

    InstallDefaultSurfaceFormat();
    TLumetraApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumetra"));
    QApplication::setApplicationVersion(QLatin1String(Version));

    const QByteArray separator = QLocale().decimalPoint().toUtf8();
    SetDecimalSeparator(separator.size() == 1 ? separator[0] : '.');
    InstallMessageBox();

    TFormVisualizationTree mainWindow;
    TFormDoubleTrackBar doubleTrackBar;  // the program's time-line window, hidden; views open their own
    mainWindow.show();
    return application.exec();
}
