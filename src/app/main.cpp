#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <exception>
#include <string>

#include "app/Icons.h"
#include "app/MainForm.h"
#include "bytes/Error.h"

namespace {

// A failure that escapes the creation of the window or the event loop: shown like any other, then the
// program ends.
void ShowFatalFailure(const std::string& message) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Stratex"),
                    QString::fromStdString(stratex::WithFullStop(message)), QMessageBox::Ok);
    box.exec();
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Stratex"));
    QApplication::setOrganizationName(QStringLiteral("Stratex"));
    QApplication::setWindowIcon(stratex::AppIcon());
    try {
        stratex::TMainForm window;
        window.show();
        // The maps named on the command line (a file manager's "Open with") open once the event loop runs, so
        // that the window is on screen and a failure's message box has it as its parent; several as a set.
        const QStringList maps = QApplication::arguments().mid(1);
        if (!maps.isEmpty()) {
            QTimer::singleShot(0, &window, [&window, maps] { window.OpenMapArguments(maps); });
        }
        return QApplication::exec();
    } catch (const std::exception& failure) {
        ShowFatalFailure(failure.what());
    } catch (...) {
        ShowFatalFailure(std::string());
    }
    return 1;
}
