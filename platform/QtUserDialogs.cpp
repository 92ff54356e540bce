#include "platform/QtUserDialogs.h"

#include "platform/FileFilter.h"
#include "platform/HelpFile.h"
#include "platform/HelpViewer.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

TQtUserDialogs::TQtUserDialogs() = default;

TQtUserDialogs::~TQtUserDialogs() = default;

int TQtUserDialogs::ShowModal(QDialog& dialog)
{
    return dialog.exec();
}

QString TQtUserDialogs::InputBox(
    const QString& caption, const QString& prompt, const QString& defaultAnswer)
{
    bool accepted = false;
    const QString answer = QInputDialog::getText(
        QApplication::activeWindow(), caption, prompt, QLineEdit::Normal, defaultAnswer, &accepted);
    return accepted ? answer : defaultAnswer;
}

void TQtUserDialogs::ShowMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text,
        QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

bool TQtUserDialogs::Confirm(const QString& text)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), text,
        QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> TQtUserDialogs::OpenFile(const TOpenDialogRequest& request)
{
    // Qt's dialog has no read-only check box, so hideReadOnly needs nothing.
    QFileDialog dialog(QApplication::activeWindow(), request.title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(QtNameFilters(request.filter));
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const QFileInfo chosen(dialog.selectedFiles().constFirst());
        const bool readOnly = chosen.exists() ? !chosen.isWritable()
                                              : !QFileInfo(chosen.absolutePath()).isWritable();
        if (!request.noReadOnly || !readOnly)
            return chosen.absoluteFilePath();
        QMessageBox::warning(&dialog, request.title,
            chosen.absoluteFilePath()
                + QStringLiteral("\nThis file is read-only. Choose another file."));
    }
}

void TQtUserDialogs::ShellOpen(const QString& target)
{
    if (target.endsWith(QStringLiteral(".hlp"), Qt::CaseInsensitive)) {
        viewer().ShowTopic(
            QFileInfo(target).absoluteFilePath(), QString::fromLatin1(ContentsTopic));
        return;
    }
    const QUrl url(target);
    if (!url.scheme().isEmpty())
        QDesktopServices::openUrl(url);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath()));
}

void TQtUserDialogs::SetHelpFile(const QString& path)
{
    m_helpFile = path;
}

void TQtUserDialogs::ShowHelp(int context)
{
    viewer().ShowTopic(m_helpFile, QString::number(context));
}

THelpViewer& TQtUserDialogs::viewer()
{
    if (!m_viewer)
        m_viewer = std::make_unique<THelpViewer>();
    return *m_viewer;
}
