#include "support/PgServer.hpp"

#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <libpq-fe.h>

#include <cstdlib>
#include <filesystem>
#include <glob.h>
#include <unistd.h>

namespace testenv {

namespace fs = std::filesystem;

PgServer& PgServer::Get()
{
    static PgServer server;
    return server;
}

PgServer::PgServer()
{
    glob_t g{};
    if (glob("/usr/lib/postgresql/*/bin/initdb", 0, nullptr, &g) != 0 || g.gl_pathc == 0) {
        maWhyNot = "the PostgreSQL server programs (initdb, pg_ctl) are not installed";
        globfree(&g);
        return;
    }
    maBin = fs::path(g.gl_pathv[g.gl_pathc - 1]).parent_path().string();
    globfree(&g);
    char tmpl[] = "/tmp/vxn-pg-XXXXXX";
    maDir = mkdtemp(tmpl);
    if (geteuid() == 0) {
        maPrefix = {"/usr/sbin/runuser", "-u", "postgres", "--"};
        if (std::system(("chown postgres " + maDir).c_str()) != 0) {
            maWhyNot = "cannot give " + maDir + " to the user postgres";
            return;
        }
    }
    std::vector<std::string> args = maPrefix;
    args.insert(args.end(), {maBin + "/initdb", "-D", maDir + "/data", "-U", "vxn", "--auth=trust", "-E", "UTF8",
                             "--locale=C", "--no-sync"});
    std::string program = args.front();
    args.erase(args.begin());
    auto init = RunProgram(program, args);
    if (init.status != 0) {
        maWhyNot = "initdb failed: " + init.err;
        return;
    }
    mbRunning = Start();
}

PgServer::~PgServer()
{
    std::string err;
    if (mbRunning)
        PgCtl({"-m", "immediate", "stop"}, err);
    if (!maDir.empty()) {
        std::error_code ec;
        fs::remove_all(maDir, ec);
    }
}

bool PgServer::PgCtl(const std::vector<std::string>& rArgs, std::string& rError) const
{
    std::vector<std::string> args = maPrefix;
    args.insert(args.end(), {maBin + "/pg_ctl", "-D", maDir + "/data", "-l", maDir + "/log", "-w"});
    args.insert(args.end(), rArgs.begin(), rArgs.end());
    std::string program = args.front();
    args.erase(args.begin());
    auto r = RunProgram(program, args);
    rError = r.err;
    return r.status == 0;
}

bool PgServer::Start()
{
    std::string err;
    if (!PgCtl({"-o", "-k " + maDir + " -c listen_addresses= -F", "start"}, err)) {
        maWhyNot = "pg_ctl start failed: " + err + Slurp(maDir + "/log");
        return false;
    }
    return true;
}

bool PgServer::Stop()
{
    std::string err;
    return PgCtl({"-m", "immediate", "stop"}, err);
}

std::string PgServer::Uri(const std::string& rDatabase, const std::string& rUser) const
{
    return "postgresql:///" + rDatabase + "?host=" + maDir + "&user=" + rUser;
}

std::string PgServer::NewDatabase()
{
    std::string name = "store" + std::to_string(++mnDatabases);
    std::string err = Exec(Uri("postgres"), "CREATE DATABASE " + name);
    return err.empty() ? Uri(name) : "";
}

std::string PgServer::Exec(const std::string& rUri, const std::string& rSql) const
{
    PGconn* c = PQconnectdb(rUri.c_str());
    std::string err;
    if (PQstatus(c) != CONNECTION_OK) {
        err = PQerrorMessage(c);
    } else {
        PGresult* r = PQexec(c, rSql.c_str());
        if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK)
            err = PQerrorMessage(c);
        PQclear(r);
    }
    PQfinish(c);
    return err;
}

} // namespace testenv
