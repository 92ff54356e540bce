#include "tests/support/RealServers.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/NetTestUtil.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr auto StartDeadline = std::chrono::seconds(10);

bool accepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TRealServer::~TRealServer()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) { }
    }
}

std::string TRealServer::Log() const
{
    std::string text;
    for (const char* file : { "/output.log", "/error.log", "/tinyproxy.log" })
        text += readText(Dir() + file);
    return text;
}

void TRealServer::Launch(const std::string& program, const std::string& installHint,
    const std::string& configText, const std::string& configName,
    const std::vector<std::string>& args)
{
    if (::access(program.c_str(), X_OK) != 0)
        throw std::runtime_error(program + " is missing: install " + installHint
            + " (make test runs scripts/install-deps, which installs it)");
    if (!configName.empty())
        writeText(Dir() + "/" + configName, configText);

    m_pid = SpawnChild(program, args, { "", Dir() + "/output.log", "", false });

    const auto deadline = std::chrono::steady_clock::now() + StartDeadline;
    while (!accepts(m_port)) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            throw std::runtime_error(m_name + " exited at start:\n" + Log());
        }
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error(m_name + " did not accept on its port in time:\n" + Log());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::unique_ptr<TRealServer> TRealServer::Prepare(const std::string& name)
{
    std::unique_ptr<TRealServer> server(new TRealServer);
    server->m_name = name;
    server->m_folder = std::make_unique<TempFolder>(name);
    server->m_port = freePort();
    return server;
}

std::unique_ptr<TRealServer> TRealServer::StartNginx(
    const std::string& serverExtra, const std::string& httpExtra)
{
    return LaunchNginx("", serverExtra, httpExtra);
}

std::unique_ptr<TRealServer> TRealServer::StartNginxTls(const std::string& certFile,
    const std::string& keyFile, const std::string& serverExtra, const std::string& httpExtra)
{
    return LaunchNginx(" ssl",
        "ssl_certificate " + certFile + ";\n    ssl_certificate_key " + keyFile + ";\n    "
            + serverExtra,
        httpExtra);
}

std::unique_ptr<TRealServer> TRealServer::LaunchNginx(
    const std::string& listenOptions, const std::string& serverExtra, const std::string& httpExtra)
{
    std::unique_ptr<TRealServer> server = Prepare("nginx");
    const std::string d = server->Dir();
    std::filesystem::create_directories(d + "/www");
    std::filesystem::create_directories(d + "/tmp");
    const std::string config = "daemon off;\nmaster_process off;\nworker_processes 1;\n"
                               "pid "
        + d + "/nginx.pid;\nerror_log " + d + "/error.log info;\n"
        + "events { worker_connections 64; }\n"
          "http {\n  access_log off;\n"
          "  types { text/html html htm; text/plain txt; application/octet-stream bin; }\n"
          "  default_type application/octet-stream;\n"
          "  client_body_temp_path "
        + d + "/tmp/body;\n  proxy_temp_path " + d + "/tmp/proxy;\n  fastcgi_temp_path " + d
        + "/tmp/fcgi;\n  uwsgi_temp_path " + d + "/tmp/uwsgi;\n  scgi_temp_path " + d
        + "/tmp/scgi;\n  " + httpExtra
        + "\n  server {\n    listen 127.0.0.1:" + std::to_string(server->m_port) + listenOptions
        + ";\n    root " + d + "/www;\n    " + serverExtra + "\n  }\n}\n";
    const std::string conf = d + "/nginx.conf";
    const std::string errorLog = d + "/error.log";
    server->Launch("/usr/sbin/nginx", "the Debian package nginx-light", config, "nginx.conf",
        { "-p", d, "-e", errorLog, "-c", conf });
    return server;
}

std::unique_ptr<TRealServer> TRealServer::StartTinyproxy(
    const std::string& user, const std::string& pass)
{
    std::unique_ptr<TRealServer> server = Prepare("tinyproxy");
    const std::string d = server->Dir();
    // No ConnectPort line: CONNECT tunnels may go to any port, the tests' TLS servers' too.
    std::string config = "Port " + std::to_string(server->m_port)
        + "\nListen 127.0.0.1\nTimeout 30\nMaxClients 8\nAllow 127.0.0.1\n"
          "LogLevel Info\nLogFile \""
        + d + "/tinyproxy.log\"\nPidFile \"" + d + "/tinyproxy.pid\"\n";
    if (!user.empty())
        config += "BasicAuth " + user + " " + pass + "\n";
    // As root the proxy would switch to a user of its own; name the current one.
    if (::getuid() == 0)
        config += "User root\nGroup root\n";
    const std::string conf = d + "/tinyproxy.conf";
    server->Launch("/usr/bin/tinyproxy", "the Debian package tinyproxy", config, "tinyproxy.conf",
        { "-d", "-c", conf });
    return server;
}

std::unique_ptr<TRealServer> TRealServer::StartMicrosocks(
    const std::string& user, const std::string& pass)
{
    std::unique_ptr<TRealServer> server = Prepare("microsocks");
    std::vector<std::string> args { "-i", "127.0.0.1", "-p", std::to_string(server->m_port) };
    if (!user.empty())
        args.insert(args.end(), { "-u", user, "-P", pass });
    // Configured on its command line alone.
    server->Launch("/usr/bin/microsocks", "the Debian package microsocks", "", "", args);
    return server;
}
