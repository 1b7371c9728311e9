#include "CaptureCommand.hpp"

#include "BackgroundAuthentications.hpp"
#include "CapturePipeline.hpp"
#include "CaptureSource.hpp"
#include "ClientsReport.hpp"
#include "Commands.hpp"
#include "DictionaryOption.hpp"
#include "ExchangeReadAhead.hpp"
#include "FrameWriter.hpp"
#include "MessageRenderer.hpp"
#include "MetricsEndpoint.hpp"
#include "Output.hpp"
#include "Prefetch.hpp"
#include "Progress.hpp"
#include "RenderQueue.hpp"
#include "SecretsOption.hpp"
#include "SecurityReport.hpp"
#include "SessionsReport.hpp"
#include "StatisticsReport.hpp"
#include "TerminalColor.hpp"
#include "TlsConnectionsReport.hpp"
#include "UsualRadiusPorts.hpp"
#include "ZEMPortsController.hpp"
#include "checks/CheckTracker.hpp"
#include "checks/SecretsFile.hpp"
#include "exchanges/TlsMessageJoiner.hpp"
#include "message/PlugInCodeText.hpp"
#include "reports/ClientStatistics.hpp"
#include "reports/RadiusStatistics.hpp"
#include "reports/SecurityStatistics.hpp"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <ctime>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace app {

int listInterfaces() {
    try {
        int n = 0;
        for (const auto& interface : capture::captureInterfaces())
            std::fprintf(
                output(), "%d. %s%s\n", ++n, interface.name.c_str(),
                interface.description.empty() ? "" : (" (" + interface.description + ")").c_str());
        return 0;
    } catch (const capture::CaptureError& error) {
        return fail(error.what());
    }
}

namespace {

// The signal that asked the run to end (SIGINT, SIGTERM, SIGHUP), or 0.
volatile std::sig_atomic_t interrupted = 0;
capture::CaptureSource* liveSource = nullptr;

void onInterrupt(int signal) {
    interrupted = signal;
    if (liveSource)
        liveSource->interrupt();
}

// An interrupted run still finishes the record being written, closes the -w file whole
// and prints the reports of what was read.
void endOnSignals() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, onInterrupt);
}

// Sleeps until one of the signals that end the run comes; one that came before the
// call ends the wait at once.
void waitForSignal() {
    sigset_t ending, before;
    sigemptyset(&ending);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&ending, signal);
    sigprocmask(SIG_BLOCK, &ending, &before);
    while (!interrupted)
        sigsuspend(&before);
    sigprocmask(SIG_SETMASK, &before, nullptr);
}

// A -w file that is one of the captures read (by name, link or standard input) would be
// destroyed before it is read.
std::optional<std::string> overwritesAnInput(const Options& options) {
    if (!options.writeFile || *options.writeFile == "-")
        return std::nullopt;
    struct stat written {};
    if (::stat(options.writeFile->c_str(), &written) != 0)
        return std::nullopt; // a new file
    for (const auto& input : options.inputFiles) {
        struct stat read {};
        const int status =
            input == "-" ? ::fstat(STDIN_FILENO, &read) : ::stat(input.c_str(), &read);
        if (status == 0 && read.st_dev == written.st_dev && read.st_ino == written.st_ino)
            return "-w: " + *options.writeFile + " is the capture " +
                   (input == "-" ? "on standard input" : input) +
                   ", which is being read; write to another file";
    }
    return std::nullopt;
}

// Why the first capture cannot be read, when it cannot: said before anything is
// printed, so that a mistyped name gets one error line and no empty report. Only a
// missing or regular file is tried; a pipe can be opened once, by the run.
std::optional<std::string> firstCaptureUnreadable(const Options& options) {
    if (options.interface || options.inputFiles.empty() || options.inputFiles.front() == "-")
        return std::nullopt;
    const auto& first = options.inputFiles.front();
    struct stat status {};
    if (::stat(first.c_str(), &status) == 0 && !S_ISREG(status.st_mode))
        return std::nullopt;
    try {
        capture::CaptureSource::openFile(first, capture::Reading::once);
    } catch (const capture::CaptureError& error) {
        return error.what();
    }
    return std::nullopt;
}

// The statistics asked for: only those are counted.
struct Wanted {
    bool stats = false, security = false, clients = false, sessions = false, auths = false;
};

Wanted wanted(const Options& options) {
    using analysis::ReportKind;
    return {
        asksStatistics(options, ReportKind::stats), asksStatistics(options, ReportKind::security),
        asksStatistics(options, ReportKind::clients), asksStatistics(options, ReportKind::sessions),
        asksStatistics(options, ReportKind::auths)};
}

// One run of the command over its captures: collects what the pipeline delivers into
// batches, with what checking each message needs, renders them on worker threads and
// writes the results in capture order; counts them for the statistics; stops after -c
// messages.
class CaptureRun {
public:
    CaptureRun(const MessageRenderer& renderer, ResultsWriter& results, const Options& options,
               analysis::CheckTracker& tracker, bool checksWithSecrets,
               const analysis::RadiusDictionary* dictionary, unsigned workers,
               std::size_t batchSize)
        : renderer_(renderer), results_(results), options_(options), tracker_(tracker),
          checksWithSecrets_(checksWithSecrets), wants_(wanted(options)), batchSize_(batchSize),
          sessions_(options.format == OutputFormat::json, dictionary),
          queue_([&renderer](const MessageBatch& in,
                             RenderedBatch& out) { render(renderer, in, out); },
                 [this](RenderedBatch& batch) { write(batch); }, workers,
                 // A -w file keeps the frames read until their messages are written or
                 // passed over: both on the reading thread.
                 options.writeFile ? RenderQueue::Consuming::bySubmitter
                                   : RenderQueue::Consuming::byWorkers) {
        if (wants_.auths)
            authentications_.emplace(options.format == OutputFormat::json);
        // A file's requests are held back until their responses are read; a live
        // capture's lines show what is known when they are printed.
        if (renderer_.linksWanted())
            readAhead_.emplace(queue_, !options.interface.has_value(),
                               renderer_.followsAuthentications());
        else if (renderer_.joinsTls())
            tlsJoiner_.emplace();
        if (renderer_.printsMessages()) {
            std::string opening;
            renderer_.form().begin(opening);
            results_.write(opening);
            noteWhetherEnded();
        }
    }

    /// -c messages were shown, or the output or the -w file cannot take more. The -w file
    /// is written on the reading thread, the output maybe not: it is asked after each batch.
    bool done() const {
        return ended_.load(std::memory_order_relaxed) || (writer_ && !writer_->failure().empty());
    }
    std::uint64_t shown() const { return shown_.load(std::memory_order_relaxed); }

    /// Frames go to `writer` (when -w is given) once their messages are kept.
    void recordTo(capture::FrameWriter* writer) {
        // Without -w there is none, and the workers that consume may read writer_.
        if (options_.writeFile)
            writer_ = writer;
    }
    /// Kept messages are counted into `metrics` too.
    void countInto(MetricsEndpoint* metrics) { metrics_ = metrics; }

    /// Renders and counts what was delivered so far: a live capture with nothing new to
    /// read brings its reports and metrics up to date.
    void catchUp() { queue_.finish(); }

    void deliver(const capture::MessageOrigin& origin, zem::ByteView payload) {
        if (done())
            return;
        const auto checkInput = tracker_.next(origin, payload);
        if (readAhead_) {
            readAhead_->add(origin, payload, checkInput, writer_ != nullptr);
        } else if (tlsJoiner_) {
            analysis::ExchangeLinks links;
            links.tlsMessage = tlsJoiner_->next(origin, payload);
            queue_.filling().add(origin, payload, checkInput, writer_ != nullptr, &links);
        } else {
            queue_.filling().add(origin, payload, checkInput, writer_ != nullptr);
        }
        submitWhenFull();
    }

    /// A TLS frame whose records need a line of their own, in its place among the messages.
    void deliverTlsFrame(const capture::MessageOrigin& origin,
                         std::span<const capture::TlsRecordEvent> events,
                         zem::ByteView clearRecords) {
        if (done())
            return;
        if (readAhead_)
            readAhead_->addTlsFrame(origin, events, clearRecords, writer_ != nullptr);
        else
            queue_.filling().addTlsFrame(origin, events, clearRecords, writer_ != nullptr);
        submitWhenFull();
    }

    // A full batch goes to the workers, or is held back for the responses it waits for.
    void submitWhenFull() {
        if (queue_.filling().size() < batchSize_)
            return;
        if (readAhead_)
            readAhead_->batchFull();
        else
            queue_.submit();
    }

    /// Writes what is still in flight, then what closes the output and the statistics;
    /// answers why a report could not be written, empty when all were.
    std::string finish(const capture::CapturePipeline& pipeline) {
        const auto losses = pipeline.losses();
        std::string failure;
        if (readAhead_)
            readAhead_->finish();
        queue_.finish();
        if (metrics_) {
            // The input ended: no request still waiting will be answered.
            auto counting = metrics_->lock();
            exchanges_.giveUpAll(
                [this](const analysis::ExchangeKey& key) { metrics_->metrics().addGivenUp(key); });
        }
        std::string closing;
        if (renderer_.printsMessages())
            renderer_.form().end(closing, shown());
        for (const auto report : options_.statistics) {
            switch (report) {
            case analysis::ReportKind::security:
                closing += securityReport(security_, checksWithSecrets_);
                break;
            case analysis::ReportKind::sessions:
                // A report of millions of sessions goes out as it is read back.
                results_.write(closing);
                closing.clear();
                if (auto why =
                        sessions_.finish([this](std::string_view part) { results_.write(part); });
                    !why.empty() && failure.empty())
                    failure = std::move(why);
                break;
            case analysis::ReportKind::clients:
                results_.write(closing);
                closing.clear();
                writeClientsReport(clients_,
                                   [this](std::string_view part) { results_.write(part); });
                break;
            case analysis::ReportKind::stats:
                closing += statisticsReport(statistics_.summary([this](std::uint8_t code) {
                    return analysis::plugInCodeText(renderer_.host(), code);
                }),
                                            losses);
                break;
            case analysis::ReportKind::tls:
                closing += tlsConnectionsReport(pipeline.tlsConnections(),
                                                pipeline.tlsConnectionsLeftOut());
                break;
            case analysis::ReportKind::auths:
                results_.write(closing);
                closing.clear();
                if (auto why = authentications_->finish(
                        [this](std::string_view part) { results_.write(part); });
                    !why.empty() && failure.empty())
                    failure = std::move(why);
                break;
            }
        }
        results_.write(closing);
        results_.flush();
        return failure;
    }

private:
    // How far ahead of their use messages and their facts are asked for, and how much of
    // the facts (what the reports read).
    static constexpr std::size_t prefetchAhead = 8, originAhead = 16;
    static constexpr std::size_t factsPrefetchOctets = 256;
    // The clients' table outgrows the caches: each message's client is asked for in two
    // steps, its slot (from facts asked for before) and then the client through it.
    static constexpr std::size_t factsAhead = 24, clientSlotAhead = 16, clientAhead = 8;

    static void render(const MessageRenderer& renderer, const MessageBatch& in,
                       RenderedBatch& out) {
        out.input = &in;
        out.messages.reserve(in.size());
        for (std::size_t i = 0; i < in.size(); ++i) {
            // The messages were written past the caches: each would wait for its origin
            // and its octets to come from memory, unless asked for a few messages ahead.
            // The octets' place is in the origin's row, so the rows are asked for first.
            if (i + originAhead < in.size())
                in.prefetchOrigin(i + originAhead);
            if (i + prefetchAhead < in.size())
                in.prefetchMessage(i + prefetchAhead);
            const zem::MessageOrigin& origin = in.origin(i);
            if (in.isTlsFrame(i)) {
                zem::MessageOrigin withFrame = origin;
                withFrame.carrying = in.carryingFrame(i);
                out.messages.push_back(renderer.renderTlsFrame(
                    withFrame, in.tlsFrameEvents(i), in.tlsFrameClearRecords(i), out.text));
                out.messages.back().textEnd = out.text.size();
                continue;
            }
            const auto renderWith = [&](const zem::MessageOrigin& from) {
                out.messages.push_back(renderer.render(from, in.message(i), in.checkInput(i),
                                                       in.links(i), out.text, out.facts));
            };
            if (in.describesFrames()) {
                zem::MessageOrigin withFrame = origin;
                withFrame.carrying = in.carryingFrame(i);
                renderWith(withFrame);
            } else {
                renderWith(origin);
            }
            out.messages.back().textEnd = out.text.size();
        }
    }

    // Counts one rendered message and answers the part of its text to write, or nothing
    // when it is not written. What a report keeps of the message's facts is moved out.
    std::optional<std::string_view> accept(const RenderedMessage& message,
                                           analysis::MessageFacts* facts, std::string_view text) {
        if (message.tlsFrame) // a line, not a message: nothing to count
            return message.passed ? std::optional(text) : std::nullopt;
        if (!message.radius) {
            statistics_.addNotRadius();
            return std::nullopt;
        }
        if (!message.passed)
            return std::nullopt;
        if (facts) {
            // Only what was asked for is counted; the reports that pair requests with
            // responses share one matcher, so each message is looked up once.
            // Initialised, not assigned: a copy of the outcome read back at once stalls.
            const auto outcome =
                wants_.stats || wants_.clients || metrics_
                    ? exchanges_.track(facts->origin, facts->code, facts->identifier,
                                       [this](const analysis::ExchangeKey& key) {
                                           statistics_.addGivenUp();
                                           if (metrics_)
                                               metrics_->metrics().addGivenUp(key);
                                       })
                    : analysis::ExchangeOutcome{};
            if (wants_.stats)
                statistics_.addMessage(*facts, outcome);
            if (wants_.security)
                security_.addMessage(*facts);
            if (wants_.clients)
                clients_.addMessage(*facts, outcome);
            if (wants_.sessions && facts->accounting)
                sessions_.add(*facts->accounting, facts->origin.source, facts->origin.time);
            if (metrics_)
                metrics_->metrics().addMessage(*facts, outcome);
            // Last: the authentication facts are moved out.
            if (wants_.auths && facts->authentication)
                authentications_->add(facts->origin, facts->code, facts->identifier,
                                      std::move(*facts->authentication));
        }
        // One batch is consumed at a time: no other thread adds to the count meanwhile.
        if (consumedShown_++ == 0 && renderer_.printsMessages())
            text.remove_prefix(std::min(renderer_.form().separator().size(), text.size()));
        return text;
    }

    // Facts were written on the processor that rendered them: asked for a few ahead.
    void prefetchFactsAfter(const std::vector<analysis::MessageFacts>& facts,
                            std::size_t taken) const {
        if (taken + factsAhead < facts.size())
            zem::prefetchOctets(&facts[taken + factsAhead], factsPrefetchOctets);
        if (!wants_.clients)
            return;
        using Stage = analysis::ClientStatistics::Prefetch;
        if (taken + clientSlotAhead < facts.size())
            clients_.prefetch(facts[taken + clientSlotAhead], Stage::slot);
        if (taken + clientAhead < facts.size())
            clients_.prefetch(facts[taken + clientAhead], Stage::client);
    }

    void write(RenderedBatch& batch) {
        // A scrape waits for a whole batch to be counted, not for each message.
        std::unique_lock<std::mutex> counting;
        if (metrics_)
            counting = metrics_->lock();
        // The texts of messages that follow each other are written in one piece.
        std::string_view run;
        std::size_t begin = 0, factsTaken = 0;
        for (std::size_t i = 0; i < batch.messages.size(); ++i) {
            const auto& message = batch.messages[i];
            if (outputEnded())
                break;
            std::string_view text(batch.text.data() + begin, message.textEnd - begin);
            begin = message.textEnd;
            analysis::MessageFacts* facts = nullptr;
            if (message.hasFacts) {
                facts = &batch.facts[factsTaken++];
                prefetchFactsAfter(batch.facts, factsTaken);
            }
            auto part = accept(message, facts, text);
            if (!part)
                continue;
            if (writer_)
                writer_->write(batch.input->carriers(i));
            if (run.data() + run.size() == part->data()) {
                run = std::string_view(run.data(), run.size() + part->size());
            } else {
                results_.write(run);
                run = *part;
            }
        }
        results_.write(run);
        shown_.store(consumedShown_, std::memory_order_relaxed);
        noteWhetherEnded();
    }

    // Where the output is written: whether -c messages were shown or it takes no more.
    bool outputEnded() const {
        return (options_.count && consumedShown_ >= *options_.count) ||
               !results_.failure().empty() || (writer_ && !writer_->failure().empty());
    }
    void noteWhetherEnded() {
        if (outputEnded())
            ended_.store(true, std::memory_order_relaxed);
    }

    // The reading thread reads these for every message, and the consuming thread writes
    // its counts for every message: a cache line they shared went to the other processor
    // and back each time, which cost the reading thread, which sets a run's pace, about a
    // tenth of its time on -z radius,stats. So what the consuming writes begins on a line
    // of its own, and so does what follows it.
    const MessageRenderer& renderer_;
    ResultsWriter& results_;
    const Options& options_;
    analysis::CheckTracker& tracker_;
    bool checksWithSecrets_; // secrets given, or RADIUS over TLS read
    Wanted wants_;
    std::size_t batchSize_;
    capture::FrameWriter* writer_ = nullptr;
    MetricsEndpoint* metrics_ = nullptr;
    std::atomic<bool> ended_ = false; // written once, by the consuming
    // Where batches are consumed.
    alignas(zem::cacheLineOctets) SessionsReport sessions_;
    analysis::RadiusStatistics statistics_;
    analysis::SecurityStatistics security_;
    analysis::ClientStatistics clients_;
    std::optional<BackgroundAuthentications> authentications_; // when -z radius,auths asks
    analysis::RequestMatcher exchanges_;
    std::uint64_t consumedShown_ = 0; // messages shown so far
    // Told to the reading thread (its progress, the output's end) once a batch.
    std::atomic<std::uint64_t> shown_ = 0;
    // After all that consuming a batch touches, which outlives its workers.
    alignas(zem::cacheLineOctets) RenderQueue queue_;
    std::optional<ExchangeReadAhead> readAhead_;          // when the output shows exchange links
    std::optional<analysis::TlsMessageJoiner> tlsJoiner_; // else when a report reads TLS
};

// The form a name asks for by its extension; else the input's.
bool writesPcapng(std::string_view path, const capture::CaptureSource& source) {
    if (path.ends_with(".pcapng"))
        return true;
    if (path.ends_with(".pcap"))
        return false;
    return source.isPcapng();
}

// Messages per batch: enough rendering in each that waking a worker costs little against
// it, few enough that the batches in flight stay small. A summary line or a row of fields
// takes a fraction of a microsecond; a detail tree or a JSON object several, and its text
// is kilobytes. With 128 of those a batch, -V switched threads 23,000 times a million
// messages, and each switch on a virtual machine's core costs microseconds; 256 halve
// that for 5 MB more text in flight.
std::size_t batchMessages(const Options& options, bool lineByLine) {
    if (lineByLine)
        return 1;
    if (options.quiet)
        return 2048;
    const bool detailed =
        options.verbose || options.hexDump || options.format == OutputFormat::json ||
        options.format == OutputFormat::ek || options.format == OutputFormat::jsonl;
    return detailed ? 256 : 1024;
}

// The -w file (or ring of files), made from the first capture read; later captures must
// share its link type.
class Recording {
public:
    explicit Recording(const Options& options)
        : path_(options.writeFile), oneInput_(options.inputFiles.size() == 1) {
        if (options.ringKilobytes)
            rotation_.maxBytes = *options.ringKilobytes * 1000;
        rotation_.maxSeconds = options.ringSeconds;
        rotation_.keptFiles = options.ringFiles;
    }

    capture::FrameWriter* writerFor(const capture::CaptureSource& source) {
        if (!path_)
            return nullptr;
        if (!writer_) {
            const bool pcapng = writesPcapng(*path_, source);
            // One file written in its own form is copied record by record (options,
            // interfaces and all); frames of several files, a live capture or the other
            // form are written anew.
            const bool copies = oneInput_ && !source.isLive() && pcapng == source.isPcapng();
            writer_.emplace(*path_, output(),
                            capture::CaptureFileFormat{source.linkType(), source.snapshotLength(),
                                                       pcapng, source.finerThanMicroseconds(),
                                                       copies},
                            rotation_);
            linkType_ = source.linkType();
        } else if (source.linkType() != linkType_) {
            throw capture::CaptureError("-w: " + source.name() +
                                        " has another link type than the captures before it");
        }
        return &*writer_;
    }
    void close() {
        if (writer_)
            writer_->close();
    }

private:
    std::optional<std::string> path_;
    bool oneInput_;
    capture::FileRotation rotation_;
    std::optional<capture::FrameWriter> writer_;
    int linkType_ = 0;
};

// -a: whether the run has read enough. A live capture's time is the clock's, so that it
// ends on time when nothing arrives; a file's is its capture time.
class StopConditions {
public:
    StopConditions(const Options& options, bool live)
        : seconds_(options.stopSeconds), packets_(options.stopPackets), live_(live),
          started_(live ? now() : 0), hasStarted_(live) {}

    bool reached(std::uint64_t packetsRead, std::optional<double> packetTime) {
        if (packets_ && packetsRead >= *packets_)
            return true;
        if (!seconds_)
            return false;
        const auto time = live_ ? std::optional<double>(now()) : packetTime;
        if (!time)
            return false;
        if (!hasStarted_) {
            started_ = *time;
            hasStarted_ = true;
        }
        return *time - started_ >= *seconds_;
    }

private:
    static double now() {
        timespec clock{};
        ::clock_gettime(CLOCK_MONOTONIC, &clock);
        return static_cast<double>(clock.tv_sec) + static_cast<double>(clock.tv_nsec) * 1e-9;
    }

    std::optional<double> seconds_;
    std::optional<std::uint64_t> packets_;
    bool live_;
    double started_; // when the first packet came (a file's) or the capture began (live)
    bool hasStarted_;
};

// Says once for each TLS or DTLS connection why its records could not be read.
void sayTlsNotes(capture::CapturePipeline& pipeline) {
    for (const auto& note : pipeline.takeTlsNotes()) {
        const auto& key = note.clientToServer;
        std::fprintf(stderr, "radius-analyzer: %s connection %s:%u -> %s:%u: %s\n",
                     note.datagram ? "DTLS" : "TLS", key.source.text().c_str(),
                     unsigned{key.sourcePort}, key.destination.text().c_str(),
                     unsigned{key.destinationPort},
                     std::string(capture::tlsProblemText(note.problem)).c_str());
    }
}

// Feeds packets to the pipeline until the end, -c, -a or an interrupt; `afterEach` runs
// after every packet. Throws CaptureError for a damaged capture.
template <typename AfterEach>
void readPackets(capture::CaptureSource& source, capture::CapturePipeline& pipeline,
                 CaptureRun& run, capture::FrameWriter* writer, StopConditions& stop,
                 MetricsEndpoint* metrics, AfterEach afterEach) {
    const int linkType = source.linkType();
    capture::CapturedPacket packet;
    const auto& secrets = source.decryptionSecrets();
    std::size_t secretsTaken = 0;
    while (!run.done() && !interrupted && !stop.reached(pipeline.frames(), std::nullopt)) {
        const auto next = source.next(packet);
        if (next == capture::CaptureSource::Next::timeout) {
            // Live and idle: count what waits in a batch, then look at the interrupt flag
            // and the clock again.
            run.catchUp();
            if (metrics)
                metrics->setDropped(source.dropped().value_or(0));
            continue;
        }
        if (next != capture::CaptureSource::Next::packet)
            break;
        // A packet past the -a duration is not read: the run ends before it.
        if (stop.reached(pipeline.frames(), packet.time))
            break;
        if (writer) {
            writer->followStructure(source.structure());
            writer->retain(pipeline.frames() + 1, packet);
            writer->addSecrets(std::span(secrets).subspan(secretsTaken));
        }
        pipeline.addTlsSecretsOf(secrets, secretsTaken);
        pipeline.frame(linkType, packet.time, packet.bytes, packet.originalLength);
        if (metrics) {
            metrics->setPackets(pipeline.frames());
            // The kernel's drop count costs a system call: asked now and then.
            if (pipeline.frames() % 4096 == 0)
                metrics->setDropped(source.dropped().value_or(0));
        }
        afterEach();
    }
    if (writer) // blocks after the last frame
        writer->followStructure(source.structure());
    if (metrics)
        metrics->setDropped(source.dropped().value_or(0));
}

void readFile(const std::string& name, capture::CapturePipeline& pipeline, CaptureRun& run,
              Recording& recording, StopConditions& stop, MetricsEndpoint* metrics) {
    // Every message is copied into its batch, so the file may close once it is read.
    auto source = capture::CaptureSource::openFile(name, capture::Reading::once);
    Progress progress(source);
    auto* writer = recording.writerFor(source);
    run.recordTo(writer);
    readPackets(source, pipeline, run, writer, stop, metrics,
                [&] { progress.update(pipeline.frames(), run.shown()); });
}

void readLive(const Options& options, capture::CapturePipeline& pipeline, CaptureRun& run,
              ResultsWriter& results, Recording& recording, StopConditions& stop,
              MetricsEndpoint* metrics) {
    std::string filter =
        capture::claimedPortsFilter(zem::ZEMPortsController::sharedPortsController());
    if (options.captureFilter)
        filter = "(" + filter + ") and (" + *options.captureFilter + ")";
    // Without message lines nothing needs a packet at once: the kernel fills its blocks.
    auto source = capture::CaptureSource::openLive(
        *options.interface, filter,
        options.bufferBytes.value_or(capture::CaptureSource::defaultBufferBytes), !options.quiet);
    std::fprintf(stderr, "Capturing on '%s'\n", options.interface->c_str());
    liveSource = &source;
    auto* writer = recording.writerFor(source);
    run.recordTo(writer);
    // Live output appears as it arrives.
    readPackets(source, pipeline, run, writer, stop, metrics, [&] {
        if (!options.quiet)
            results.flush();
    });
    liveSource = nullptr;
    // As tshark ends a capture: how many packets, and how many the kernel could not keep.
    std::fprintf(stderr, "%llu packets captured",
                 static_cast<unsigned long long>(pipeline.frames()));
    if (auto dropped = source.dropped())
        std::fprintf(stderr, ", %llu dropped by the kernel",
                     static_cast<unsigned long long>(*dropped));
    std::fputc('\n', stderr);
}

} // namespace

bool decodesCaptures(const Options& options) {
    return options.command.empty() && !options.glossary && !options.hex && !options.version &&
           !options.listInterfaces && !options.help;
}

int runCaptureCommand(zem::PlugInHost& host, const Options& options,
                      DictionaryPreload& dictionaryPreload) {
    if (options.inputFiles.empty() && !options.interface)
        return fail("nothing to decode: give a capture file, -i IFACE or --hex HEX (see --help)");
    if (options.captureFilter && !options.interface)
        return fail("-f filters a live capture; give -i IFACE (or use -Y on files)");
    if (options.bufferBytes && !options.interface)
        return fail("-B sizes a live capture's buffer; give -i IFACE");
    if (options.captureFilter)
        if (auto error = capture::captureFilterError(*options.captureFilter))
            return fail("-f: cannot use the capture filter \"" + *options.captureFilter +
                        "\": " + *error);
    auto& ports = zem::ZEMPortsController::sharedPortsController();
    if (options.usualPorts)
        zem::claimUsualRadiusPorts(ports, "RADIUS", host.structure().plugInAnalyzerClass);
    for (const auto& rule : options.decodeAs)
        ports.addClaim({"RADIUS", zem::ZEMUUID::random(), rule.port,
                        rule.transport == "udp" ? zem::kZEMSourceProtocols::udp
                                                : zem::kZEMSourceProtocols::tcp,
                        host.structure().plugInAnalyzerClass, rule.overTls});

    if (auto refusal = overwritesAnInput(options))
        return fail(*refusal);
    if (auto refusal = firstCaptureUnreadable(options))
        return fail(*refusal);

    analysis::SharedSecrets secrets;
    try {
        secrets = secretsFromOptions(options);
    } catch (const analysis::SecretsError& error) {
        return fail(error.what());
    }
    // RADIUS over TLS has a secret of its own, so its messages are checked without one
    // given: the tracker follows every run.
    analysis::CheckTracker tracker(secrets);

    const std::optional<analysis::LoadedDictionary> dictionary = dictionaryPreload.take();

    // -w - makes standard output the capture's, as tshark does: no message line goes there,
    // and the reports go to standard error.
    const bool captureToOutput = options.writeFile == "-";
    Options runOptions = options;
    runOptions.quiet = options.quiet || captureToOutput;
    ResultsWriter results(captureToOutput ? stderr : output());
    // Checks the filters and fields before anything is read.
    MessageRenderer renderer(host, runOptions, lineColorEscape(host, options.color, output()),
                             analysis::checkDisplayFor(host, !secrets.empty()),
                             dictionary ? &dictionary->dictionary : nullptr);
    // Files are rendered in batches on every core, up to eight: one thread reads, and more
    // workers than it can feed would only hold more batches in memory. Live capture that
    // prints messages renders one at a time, at once, so that each line appears as its
    // packet arrives; a quiet one is read as a file is, so that it keeps up with a flood.
    const bool live = options.interface.has_value();
    const bool lineByLine = live && !runOptions.quiet;
    const unsigned workers = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    CaptureRun run(renderer, results, runOptions, tracker, !secrets.empty() || options.tlsKeyLog,
                   dictionary ? &dictionary->dictionary : nullptr, lineByLine ? 0 : workers,
                   batchMessages(runOptions, lineByLine));
    capture::CapturePipeline pipeline([&](const capture::MessageOrigin& origin,
                                          zem::ByteView payload) { run.deliver(origin, payload); });
    pipeline.describeCarryingFrames(showsFrames(runOptions));
    if (renderer.readsTlsFrames())
        pipeline.showTlsFrames(
            [&](const capture::MessageOrigin& origin,
                std::span<const capture::TlsRecordEvent> events,
                zem::ByteView clearRecords) { run.deliverTlsFrame(origin, events, clearRecords); });
    if (options.tlsKeyLog) {
        auto keyLog = capture::readTlsKeyLogFile(*options.tlsKeyLog);
        if (!keyLog.text)
            return fail("--tls-keylog: " + keyLog.error);
        pipeline.addTlsSecrets(*keyLog.text);
    }
    std::string failure;
    Recording recording(options);
    StopConditions stop(options, live);
    std::optional<MetricsEndpoint> metrics;
    if (options.metrics) {
        try {
            metrics.emplace(options.metrics->address, options.metrics->port, !secrets.empty());
        } catch (const MetricsError& error) {
            return fail(error.what());
        }
        std::fprintf(stderr, "Serving metrics on %s\n", metrics->url().c_str());
        run.countInto(&*metrics);
    }
    MetricsEndpoint* const counting = metrics ? &*metrics : nullptr;
    endOnSignals();
    try {
        if (live) {
            readLive(options, pipeline, run, results, recording, stop, counting);
            sayTlsNotes(pipeline);
        } else {
            for (const auto& file : options.inputFiles) {
                readFile(file, pipeline, run, recording, stop, counting);
                sayTlsNotes(pipeline);
                if (run.done() || interrupted || stop.reached(pipeline.frames(), std::nullopt))
                    break;
            }
        }
    } catch (const capture::CaptureError& error) {
        failure = error.what();
    }
    // Everything before the fault is still written.
    if (auto why = run.finish(pipeline); !why.empty() && failure.empty())
        failure = std::move(why);
    try {
        recording.close();
    } catch (const capture::CaptureError& error) {
        if (failure.empty())
            failure = error.what();
    }
    if (metrics) {
        // Files read whole: the totals stay up for the monitoring to scrape, until the
        // operator ends the run.
        if (!live && !interrupted && failure.empty()) {
            std::fprintf(stderr,
                         "radius-analyzer: all captures read; serving their metrics on %s until "
                         "interrupted (Ctrl+C)\n",
                         metrics->url().c_str());
            waitForSignal();
            interrupted = 0; // what ends the serving is no fault of the reading
        }
    }
    if (!failure.empty())
        return fail(failure);
    if (!results.failure().empty())
        return fail(results.failure());
    // Ending a live capture is what a signal is for; a file read to its end was not.
    if (interrupted && !live)
        return 128 + interrupted;
    return 0;
}

} // namespace app
