#include "platform/Command.h"
#include "platform/FileFilter.h"
#include "platform/HelpViewer.h"
#include "platform/QtUserDialogs.h"
#include "platform/UiText.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WidgetDriver.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

namespace {

TEST(UiText, ShowsValidUtf8AsSuchAndOtherBytesAsLatin1)
{
    EXPECT_EQ(ToUi("caf\xC3\xA9"), QString::fromUtf8("caf\xC3\xA9"));
    // One byte that is no UTF-8 makes the whole text Latin-1, byte for byte.
    EXPECT_EQ(ToUi("caf\xE9 \xC3\xA9"), QString::fromLatin1("caf\xE9 \xC3\xA9"));
    EXPECT_EQ(FromUi(QString::fromUtf8("P\xC3\xA4ss")), "P\xC3\xA4ss");
}

TEST(FileFilter, TurnsDescriptionAndPatternPairsIntoQtFilters)
{
    const std::pair<const char*, const char*> rows[] = {
        { "Text files (*.txt)|*.TXT|All files (*.*)|*.*",
            "Text files (*.txt *.TXT)\nAll files (*)" },
        { "Pages|*.htm;*.HTML", "Pages (*.htm *.HTM *.html *.HTML)" },
        { "Odd|", "" },
    };
    for (const auto& [filter, expected] : rows)
        EXPECT_EQ(
            QtNameFilters(QLatin1String(filter)).join(QLatin1Char('\n')), QLatin1String(expected))
            << filter;
}

TEST(Command, AnErrorReachesTheGeneralHandlerOnceTheCommandHasReturned)
{
    TScriptedDialogs user; // receives what the general error handler reports
    QObject context;
    EXPECT_FALSE(RunCommand(&context, [] { throw std::runtime_error("Cannot open file x"); }));
    EXPECT_TRUE(user.messages.empty());
    processEvents();
    EXPECT_EQ(user.messages, std::vector<QString> { QStringLiteral("Cannot open file x") });
    EXPECT_TRUE(RunCommand(&context, [] {}));
}

class HelpViewerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile file(m_path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<html><body>"
                   "<div class=\"topic\" id=\"contents\"><p>All topics</p>"
                   "<a href=\"#20\">Output</a></div>"
                   "<div class=\"topic\" id=\"20\"><p>The output file</p></div>"
                   "</body></html>");
    }
    QString text() { return find<QTextBrowser>(m_viewer, "txtTopic")->toPlainText(); }

    TempFolder m_dir { "help" };
    QString m_path = QString::fromStdString(m_dir.file("skelvo.hlp"));
    THelpViewer m_viewer;
};

TEST_F(HelpViewerTest, ShowsOneTopicAtATimeFollowsLinksAndSaysWhenATopicIsMissing)
{
    ASSERT_TRUE(m_viewer.ShowTopic(m_path, QStringLiteral("20")));
    EXPECT_EQ(text(), QStringLiteral("The output file"));
    click(find<QPushButton>(m_viewer, "cmdContents"));
    EXPECT_TRUE(text().startsWith(QStringLiteral("All topics")));
    emit find<QTextBrowser>(m_viewer, "txtTopic")->anchorClicked(QUrl(QStringLiteral("#20")));
    EXPECT_EQ(m_viewer.CurrentTopic(), QStringLiteral("20"));

    ASSERT_TRUE(m_viewer.ShowTopic(m_path, QStringLiteral("99")));
    EXPECT_TRUE(text().contains(QStringLiteral("no help for this item (help context 99)")));
    m_viewer.hide();
    EXPECT_FALSE(m_viewer.ShowTopic(m_path + QStringLiteral(".gone"), QStringLiteral("20")));
    EXPECT_FALSE(m_viewer.isVisible());
}

TEST_F(HelpViewerTest, HelpAskedForFromAModalDialogIsModalToo)
{
    QDialog dialog;
    bool modal = false;
    QTimer::singleShot(0, &dialog, [&] {
        m_viewer.ShowTopic(m_path, QStringLiteral("20"));
        modal = m_viewer.isModal();
        dialog.reject();
    });
    dialog.exec();
    EXPECT_TRUE(modal);
    m_viewer.close();
    m_viewer.ShowTopic(m_path, QStringLiteral("contents"));
    EXPECT_FALSE(m_viewer.isModal());
}

// Context help reads the help file given; one opened through the shell comes
// up at its contents.
TEST_F(HelpViewerTest, QtDialogsShowHelpFilesInTheBuiltInViewer)
{
    TQtUserDialogs dialogs;
    dialogs.SetHelpFile(m_path);
    dialogs.ShowHelp(20);
    THelpViewer* shown = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* viewer = qobject_cast<THelpViewer*>(window); viewer && viewer != &m_viewer)
            shown = viewer;
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->CurrentTopic(), QStringLiteral("20"));

    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(m_dir.path());
    dialogs.ShellOpen(QStringLiteral("skelvo.hlp"));
    std::filesystem::current_path(previous);
    EXPECT_EQ(shown->CurrentTopic(), QStringLiteral("contents"));
}

} // namespace
