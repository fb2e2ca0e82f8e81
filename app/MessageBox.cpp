#include "app/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace {
QString ToQString(const std::string& bytes)
{
    const std::string utf8 = BytesToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
} // namespace

void ShowMessageBox(TMessageKind kind, const std::string& title, const std::string& text)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if (kind == TMessageKind::Warning) icon = QMessageBox::Warning;
    if (kind == TMessageKind::Information) icon = QMessageBox::Information;
    const QString caption = title.empty() ? QApplication::applicationName() : ToQString(title);
    QMessageBox box(icon, caption, ToQString(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

bool ShowQuestionBox(const std::string& title, const std::string& text)
{
    const QString caption = title.empty() ? QApplication::applicationName() : ToQString(title);
    QMessageBox box(QMessageBox::Question, caption, ToQString(text), QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void InstallMessageBox()
{
    SetMessageFunction(ShowMessageBox);
    SetQuestionFunction(ShowQuestionBox);
}
