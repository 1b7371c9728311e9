// ReportKind: the reports a run can print when it ends (-z NAME), one row each: the name
// the command line takes, the words its help gives, and what the report needs besides
// the messages. Adding a report is one row.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace analysis {

enum class ReportKind : std::uint8_t { stats, security, sessions, clients, auths, tls };

struct ReportRow {
    ReportKind kind;
    std::string_view name; // as -z takes it
    std::string_view help;
    bool needsDictionary;   // names attributes or vendors the way the dictionary does
    bool needsChecks;       // counts what the checks found
    bool needsSessionFacts; // reads the accounting record and the NAS of each message
    bool needsAuthenticationFacts = false; // State, station, method and EAP of Access messages
    bool needsNasName = false; // reads the NAS of each request, not its accounting record
};

std::span<const ReportRow> reportRows();
const ReportRow* reportNamed(std::string_view name);
const ReportRow& reportRow(ReportKind kind);

} // namespace analysis
