// The command line as tshark users type it: combined flags, attached and detached values,
// "--", commands, and one-line errors for what is wrong.
#include "Options.hpp"

#include <gtest/gtest.h>

namespace {

app::Options parse(std::vector<std::string> words) {
    words.insert(words.begin(), "radius-analyzer");
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    return app::parseOptions(static_cast<int>(words.size()), argv.data());
}

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const auto& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

} // namespace

TEST(Options, AcceptedAsTsharkTakesThem) {
    struct Case {
        std::vector<std::string> words;
        bool (*holds)(const app::Options&);
    } cases[] = {
        {{"-Vx", "a.pcap"}, [](const app::Options& o) { return o.verbose && o.hexDump; }},
        {{"-qz", "radius,stats", "a.pcap"},
         [](const app::Options& o) {
             return o.quiet && o.statistics == std::vector{analysis::ReportKind::stats} &&
                    o.inputFiles == std::vector<std::string>{"a.pcap"};
         }},
        {{"-qzradius,stats"},
         [](const app::Options& o) { return o.quiet && o.statistics.size() == 1; }},
        {{"-c3", "-r", "a.pcap"},
         [](const app::Options& o) { return o.count == 3u && o.inputFiles.size() == 1; }},
        {{"-Tfields", "-eframe", "-e", "src", "-E", "separator=/t", "-Eheader=y"},
         [](const app::Options& o) {
             return o.format == app::OutputFormat::fields &&
                    o.fields == std::vector<std::string>{"frame", "src"} && o.fieldHeader &&
                    o.fieldSeparator == "\t";
         }},
        {{"-Tek"}, [](const app::Options& o) { return o.format == app::OutputFormat::ek; }},
        {{"-n", "a.pcap"},
         [](const app::Options& o) {
             return o.settingOverrides == std::vector<std::pair<std::string, std::string>>{
                                              {"com_quillfern_zem_radius_ip_resolve", "NO"}};
         }},
        {{"--metrics", "9100"},
         [](const app::Options& o) {
             return o.metrics && o.metrics->address == "127.0.0.1" && o.metrics->port == 9100;
         }},
        {{"--metrics", "[::1]:0"},
         [](const app::Options& o) {
             return o.metrics && o.metrics->address == "::1" && o.metrics->port == 0;
         }},
        {{"-w", "ring.pcapng", "-b", "filesize:1000", "-b", "files:5", "-a", "packets:9"},
         [](const app::Options& o) {
             return o.ringKilobytes == 1000u && o.ringFiles == 5u && o.stopPackets == 9u &&
                    !o.ringSeconds;
         }},
        {{"a.pcap", "-V", "b.pcap"},
         [](const app::Options& o) {
             return o.verbose && o.inputFiles == std::vector<std::string>{"a.pcap", "b.pcap"};
         }},
        {{"-V", "--", "-x.pcap", "-"},
         [](const app::Options& o) {
             return !o.hexDump && o.inputFiles == std::vector<std::string>{"-x.pcap", "-"};
         }},
        {{"-"},
         [](const app::Options& o) { return o.inputFiles == std::vector<std::string>{"-"}; }},
        {{"--hex=0102", "--find", "RADIUS Code contains=Accept"},
         [](const app::Options& o) {
             return o.hex == "0102" && o.find == "RADIUS Code contains=Accept";
         }},
        {{"--color"}, [](const app::Options& o) { return o.color == app::ColorMode::always; }},
        {{"--color=never"}, [](const app::Options& o) { return o.color == app::ColorMode::never; }},
        {{"-o", "a=b", "-oc:d"},
         [](const app::Options& o) {
             return o.settingOverrides ==
                    std::vector<std::pair<std::string, std::string>>{{"a", "b"}, {"c", "d"}};
         }},
        {{"-d", "tcp.port==3799,RADIUS"},
         [](const app::Options& o) {
             return o.decodeAs.size() == 1 && o.decodeAs[0].transport == "tcp" &&
                    o.decodeAs[0].port == 3799 && !o.decodeAs[0].overTls;
         }},
        {{"-d", "udp.port==2084,radsec"},
         [](const app::Options& o) {
             return o.decodeAs.size() == 1 && o.decodeAs[0].transport == "udp" &&
                    o.decodeAs[0].port == 2084 && o.decodeAs[0].overTls;
         }},
        {{"--tls-keylog", "keys.txt"},
         [](const app::Options& o) { return o.tlsKeyLog == "keys.txt"; }},
        {{"--defaults-file", "x.plist", "ports", "set", "RADIUS", "-1"},
         [](const app::Options& o) {
             return o.defaultsFile == "x.plist" &&
                    o.command == std::vector<std::string>{"ports", "set", "RADIUS", "-1"};
         }},
        {{"settings", "set", "k", "-V"},
         [](const app::Options& o) { return !o.verbose && o.command.size() == 4; }},
        {{"a.pcap", "ports"},
         [](const app::Options& o) { return o.command.empty() && o.inputFiles.size() == 2; }},
        {{"-hv"}, [](const app::Options& o) { return o.help && o.version; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(joined(c.words));
        EXPECT_TRUE(c.holds(parse(c.words)));
    }
}

TEST(Options, ErrorsAreOneLineNamingTheOption) {
    struct Case {
        std::vector<std::string> words;
        const char* message;
    } cases[] = {
        {{"--nope"}, "unknown option --nope"},
        {{"--nope=3"}, "unknown option --nope"},
        {{"-Vk"}, "unknown option -k"},
        {{"-r"}, "option -r needs a value"},
        {{"-V", "-c"}, "option -c needs a value"},
        {{"--hex"}, "option --hex needs a value"},
        {{"-c", "0"}, "-c wants a positive count, got \"0\""},
        {{"-c", "3x"}, "-c wants a positive count, got \"3x\""},
        {{"-T", "xml"}, "-T wants one of text, fields, json, ek, jsonl, got \"xml\""},
        {{"-T", "fields"}, "-T fields needs at least one -e FIELD"},
        {{"-E", "quote=x"}, "-E quote wants d, s or n"},
        {{"-E", "escape=y"},
         "-E wants header=y|n, separator=C, occurrence=f|l|a|N, aggregator=C or quote=d|s|n, got "
         "\"escape=y\""},
        {{"-E", "occurrence=0"}, "-E occurrence wants f, l, a or a number from 1"},
        {{"-z", "radius,srt"},
         "-z: unknown statistics \"radius,srt\" (try radius,stats, radius,security, "
         "radius,sessions, radius,clients, radius,auths or radius,tls)"},
        {{"-o", "=x"}, "-o wants KEY=VALUE, got \"=x\""},
        {{"-d", "udp.port==70000,RADIUS"},
         "-d wants udp.port==PORT,RADIUS or tcp.port==PORT,RADIUS (RADSEC for RADIUS over TLS or "
         "DTLS), got \"udp.port==70000,RADIUS\""},
        {{"-d", "udp.port==1812,DIAMETER"},
         "-d wants udp.port==PORT,RADIUS or tcp.port==PORT,RADIUS (RADSEC for RADIUS over TLS or "
         "DTLS), got \"udp.port==1812,DIAMETER\""},
        {{"--color=blue"}, "--color wants auto, always or never, got \"blue\""},
        {{"-T", "ek", "--ek-index", "Radius"},
         "--ek-index wants an index name of lower-case letters, digits, \"-\", \"_\", \".\" or "
         "\"+\", got \"Radius\""},
        {{"-T", "ek", "--ek-index", "a/b"},
         "--ek-index wants an index name of lower-case letters, digits, \"-\", \"_\", \".\" or "
         "\"+\", got \"a/b\""},
        {{"--ek-index", "radius"}, "--ek-index names the index of -T ek; add -T ek"},
        {{"--metrics", "localhost:9100"},
         "--metrics wants [ADDRESS:]PORT, such as 9100, 0.0.0.0:9100 or [::1]:9100, got "
         "\"localhost:9100\""},
        {{"--metrics", "70000"},
         "--metrics wants [ADDRESS:]PORT, such as 9100, 0.0.0.0:9100 or [::1]:9100, got "
         "\"70000\""},
        {{"-b", "filesize:0"},
         "-b filesize wants a whole number from 1 to 1099511627776, got \"0\""},
        {{"-b", "packets:10"},
         "-b wants filesize:KB, duration:SECONDS or files:N, got \"packets:10\""},
        {{"-a", "filesize:10"}, "-a wants duration:SECONDS or packets:N, got \"filesize:10\""},
        {{"-b", "filesize:100"}, "-b starts new files of -w; add -w PREFIX.pcapng"},
        {{"-w", "-", "-b", "filesize:100"}, "-b starts new files of -w; add -w PREFIX.pcapng"},
        {{"-w", "x.pcapng", "-b", "files:3"},
         "-b files:N keeps a ring of files; add -b filesize:KB or -b duration:SECONDS to say "
         "when a file is full"},
        {{"--capture-host", "p1"},
         "--capture-host names the capture point in -T jsonl; add -T jsonl"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(joined(c.words));
        try {
            parse(c.words);
            ADD_FAILURE() << "accepted";
        } catch (const app::OptionError& error) {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
    }
}

TEST(Options, UsageListsEveryOptionAndForm) {
    const std::string usage = app::usageText();
    for (const char* expected :
         {"  -r FILE", "  -Y EXPR", "  --find \"NAME=VALUE\"",
          "-T FORM                output form: text fields json ek", "  --color=auto|always|never",
          "  -h, --help", "ports set NAME PORTS", "settings reset"})
        EXPECT_NE(usage.find(expected), std::string::npos) << expected;
    for (std::size_t at = 0, end; at < usage.size(); at = end + 1) {
        end = usage.find('\n', at);
        EXPECT_LE(end - at, 90u) << usage.substr(at, end - at);
    }
}
