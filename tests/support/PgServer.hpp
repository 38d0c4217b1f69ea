// A PostgreSQL server for one test program's run: initdb and pg_ctl in a
// temporary folder, listening only on a Unix socket there, as the user
// postgres when the tests run as root (the server refuses root). It is
// started on first use and removed when the program ends. Where the
// PostgreSQL programs are missing, Running() is false and WhyNot() says why,
// for the tests to report themselves skipped.
#pragma once

#include <string>
#include <vector>

namespace testenv {

class PgServer {
public:
    static PgServer& Get();
    bool Running() const { return mbRunning; }
    const std::string& WhyNot() const { return maWhyNot; }
    // A new, empty database and its URI (as the superuser "vxn", or as rUser).
    std::string NewDatabase();
    std::string Uri(const std::string& rDatabase, const std::string& rUser = "vxn") const;
    const std::string& Folder() const { return maDir; }
    // Runs SQL as the superuser; "" when it worked, else the server's error.
    std::string Exec(const std::string& rUri, const std::string& rSql) const;
    // Stops the server at once (as a crash would) and starts it again.
    bool Stop();
    bool Start();

private:
    PgServer();
    ~PgServer();
    bool PgCtl(const std::vector<std::string>& rArgs, std::string& rError) const;

    bool mbRunning = false;
    std::string maWhyNot, maDir, maBin;
    std::vector<std::string> maPrefix;  // runs a program as the server's user
    int mnDatabases = 0;
};

} // namespace testenv
