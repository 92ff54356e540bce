#include "WindowFixture.h"

#include <QAction>
#include <QTimer>
#include <QToolButton>

#include <filesystem>

namespace {

const std::string Head
    = "<body bgcolor=\"#FFFFFF\" text=\"#000000\">\r\n<html>\r\n<head>\r\n"
      "<title>Skelvo - Simple Report</title>\r\n</head>\r\n\r\n<body>\r\n<p><strong><font "
      "face=\"arial\">Skelvo - Simple Report&nbsp;&nbsp;(";

const std::string TableHead
    = ") </font></strong></p>\r\n"
      "<table border=\"0\" cellpadding=\"0\" width=\"100%\">\r\n<tr>\r\n"
      "<td width=\"33%\" bgcolor=\"#F1F1F1\"><font color=\"#000080\" face=\"arial\"><strong>"
      "Session Start</strong></font></td>\r\n"
      "<td width=\"33%\" bgcolor=\"#F1F1F1\"><font color=\"#000080\" face=\"arial\"><strong>"
      "Session Stop</strong></font></td>\r\n"
      "<td width=\"33%\" bgcolor=\"#F1F1F1\"><font color=\"#000080\" face=\"arial\"><strong>"
      "URLs Indexed</strong></font></td>\r\n"
      "</tr>";

const std::string Foot = "</table><p><font face=\"Arial\" size=\"1\">**More information will be "
                         "added in versions to come**<br>\r\n"
                         "<a href=\"http://brelloc.example/\">Brelloc Software</a></font></p>\r\n"
                         "</body>\r\n</html>";

std::string row(const std::string& start, const std::string& stop, const std::string& count)
{
    return "<tr>\r\n<td width=\"33%\"><font color=\"#000000\" face=\"arial\">" + start
        + "</font></td><td width=\"33%\"><font color=\"#000000\" face=\"arial\">" + stop
        + "</font></td><td width=\"33%\"><font color=\"#000000\" face=\"arial\">" + count
        + "</td>\r\n</tr>";
}

// The window's clock starts at 23:59:58 on 9 March 2024 and moves a second
// at every reading; American regional formats.
class ReportTest : public WindowTest
{
protected:
    void SetUp() override
    {
        writeSettings();
        start();
        window().SetClock(
            [this] {
                return QDateTime(QDate(2024, 3, 9), QTime(23, 59, 58)).addSecs(m_readings++);
            },
            QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void makeReport() { choose(control<QAction>("Detailed1")); }

    int m_readings = 0;
};

TEST_F(ReportTest, WithNoRunTheTableHasNoRows)
{
    makeReport();
    EXPECT_EQ(text("simple.html"), Head + "3/9/24 - 11:59:58 PM" + TableHead + Foot);
    EXPECT_EQ(dialogs.shellOpened, std::vector<QString> { QStringLiteral("simple.html") });
}

TEST_F(ReportTest, RunsAreListedOldestFirstWithTimesOfDayOnly)
{
    // Two runs over an empty list: each is told so and gets a row with 0 pages;
    // the second starts before midnight and stops after it.
    choose(control<QAction>("mnuSitesDelete"));
    click(control<QToolButton>("cmdIndex"));
    click(control<QToolButton>("cmdIndex"));
    EXPECT_EQ(dialogs.messages,
        std::vector<QString>(2, QStringLiteral("Cannot index - no URLs in URL list.")));
    makeReport();
    EXPECT_EQ(text("simple.html"),
        Head + "3/10/24 - 12:00:02 AM" + TableHead + row("11:59:58 PM", "11:59:59 PM", "0")
            + row("12:00:00 AM", "12:00:01 AM", "0") + Foot);
}

TEST_F(ReportTest, ARunStillGoingShowsRunningAsItsStopTime)
{
    // Nothing listens on port 1: the report is made while the run is on its page.
    write("in.txt", "http://127.0.0.1:1/\r\n");
    QTimer::singleShot(0, control<QAction>("Detailed1"), &QAction::trigger);
    click(control<QToolButton>("cmdIndex"));
    EXPECT_EQ(text("simple.html"),
        Head + "3/9/24 - 11:59:59 PM" + TableHead + row("11:59:58 PM", "(running)", "0") + Foot);
}

TEST_F(ReportTest, AFileThatCannotBeWrittenIsShownAndNotOpened)
{
    std::filesystem::create_directory(path("simple.html"));
    makeReport();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].startsWith(QStringLiteral("Cannot create file simple.html")));
    EXPECT_TRUE(dialogs.shellOpened.empty());
}

} // namespace
