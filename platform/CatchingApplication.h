#pragma once

#include <QCoreApplication>

#include <exception>
#include <functional>
#include <string>

// Receives the message of an exception that escaped an event handler.
using ErrorReporter = std::function<void(const std::string& message)>;

// The message reported for an escaped exception that is no std::exception.
inline constexpr const char* UnknownErrorMessage = "Unknown error";

// The program's general error handler. An application object (over
// QCoreApplication or QApplication) whose event delivery catches every
// exception an event handler lets escape, hands its message to the reporter
// and goes on with the next event, where Qt alone would end the process.
template <class Application> class TCatchingApplication : public Application
{
public:
    // Creates the application; `report` receives the message of each escaped
    // exception, on the thread that delivered the event.
    TCatchingApplication(int& argc, char** argv, ErrorReporter report)
        : Application(argc, argv)
        , m_report(std::move(report))
    { }

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return Application::notify(receiver, event);
        } catch (const std::exception& e) {
            m_report(e.what());
        } catch (...) {
            m_report(UnknownErrorMessage);
        }
        return false;
    }

private:
    ErrorReporter m_report;
};

// The reporter of a program without a window: writes "<application name>:
// <message>" and a line end to standard error.
void reportToStandardError(const std::string& message);
