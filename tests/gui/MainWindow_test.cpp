// The packet window as a user works it: open a capture, select rows and nodes, click
// octets, filter, sort, change the colour, cancel a large read, decode a port as RADIUS.
#include "AuthenticationsDialog.hpp"
#include "DetailView.hpp"
#include "GuiTestSupport.hpp"
#include "HexView.hpp"
#include "ListColumns.hpp"
#include "MainWindow.hpp"
#include "PacketListModel.hpp"
#include "PipeFeed.hpp"
#include "SettingsViewWidget.hpp"
#include "TestSupport.hpp"
#include "ZEMUserDefaults.hpp"

#include <QAction>
#include <QApplication>
#include <QBrush>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <pcap/pcap.h>
#include <tuple>
#include <vector>

namespace {

using gui_testing::host;

QString sample(const char* name) {
    return QString(RADIUS_SAMPLES_DIR) + "/" + name;
}

struct OpenWindow {
    gui::MainWindow window{host()};
    explicit OpenWindow(const char* capture) {
        window.show();
        EXPECT_TRUE(window.openCapture(sample(capture), true));
        EXPECT_TRUE(window.waitUntilIdle(30));
    }
};

QTreeWidgetItem* findItem(QTreeWidget* tree, const QString& text) {
    auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.front();
}

} // namespace

TEST(MainWindow, ASelectedNodeHighlightsItsOctetsAndAnOctetSelectsItsNode) {
    OpenWindow open("auth-exchange.pcap");
    auto& window = open.window;
    ASSERT_EQ(window.model()->rowCount(), 8);
    EXPECT_EQ(
        window.model()->data(window.model()->index(0, gui::PacketListModel::info), Qt::DisplayRole),
        "Access-Request (1) (Id=1)");
    window.selectRow(0);
    auto* tree = window.detail()->tree();
    // The frame and its layers come first, folded; the hex pane shows the whole frame,
    // the message 42 octets into it (Ethernet 14, IPv4 20, UDP 8).
    ASSERT_EQ(tree->topLevelItemCount(), 7);
    const char* topLines[] = {
        "Frame 1: 167 bytes on wire (1336 bits), 167 bytes captured (1336 bits)",
        "Ethernet II, Src: 00:66:77:88:99:aa, Dst: 00:11:22:33:44:55",
        "Internet Protocol Version 4, Src: 192.0.2.10, Dst: 192.0.2.1",
        "User Datagram Protocol, Src Port: 50000, Dst Port: 1812", "RADIUS-Header"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(tree->topLevelItem(i)->text(0), topLines[i]);
    EXPECT_FALSE(tree->topLevelItem(2)->isExpanded());
    EXPECT_TRUE(tree->topLevelItem(4)->isExpanded());
    constexpr std::size_t message = 42;

    auto* userName = findItem(tree, "AVP 1 - User-Name");
    ASSERT_NE(userName, nullptr);
    tree->setCurrentItem(userName);
    auto highlighted = window.detail()->hex()->highlighted();
    ASSERT_TRUE(highlighted);
    EXPECT_EQ(highlighted->first, message + 20); // right after the header
    EXPECT_EQ(highlighted->second, 7u);

    // A value without a place of its own shows its attribute's octets.
    tree->setCurrentItem(findItem(tree, "User Name: alice"));
    EXPECT_EQ(window.detail()->hex()->highlighted(), highlighted);

    // An attribute's Length octet sits one after its start.
    tree->setCurrentItem(userName->child(1));
    EXPECT_EQ(window.detail()->hex()->highlighted(), std::make_pair(message + 21, std::size_t{1}));

    // A layer's field counts from its layer; one without octets (a time) shows its
    // layer's.
    tree->setCurrentItem(findItem(tree, "Time to Live: 64"));
    EXPECT_EQ(window.detail()->hex()->highlighted(),
              std::make_pair(std::size_t{22}, std::size_t{1}));
    tree->setCurrentItem(findItem(tree, "Frame Number: 1"));
    EXPECT_EQ(window.detail()->hex()->highlighted(),
              std::make_pair(std::size_t{0}, std::size_t{167}));

    // Clicking an octet inside "alice" selects the deepest node that covers it.
    auto* hex = window.detail()->hex();
    QTextCursor cursor(hex->document());
    cursor.setPosition(hex->textPositionOf(message + 22));
    const QPoint point = hex->cursorRect(cursor).center() + QPoint(2, 0);
    QTest::mouseClick(hex->viewport(), Qt::LeftButton, {}, point);
    ASSERT_NE(tree->currentItem(), nullptr);
    EXPECT_EQ(tree->currentItem()->text(0), "AVP 1 - User-Name");
    // The User-Name's Length octet; the header's own fields carry no place, so an octet
    // of the identifier selects the header; an octet of the source address, that field.
    EXPECT_TRUE(window.detail()->selectNodeAt(message + 21));
    EXPECT_EQ(tree->currentItem()->text(0), "Length: 7 bytes");
    EXPECT_TRUE(window.detail()->selectNodeAt(message + 5));
    EXPECT_EQ(tree->currentItem()->text(0), "RADIUS-Header");
    EXPECT_TRUE(window.detail()->selectNodeAt(27));
    EXPECT_EQ(tree->currentItem()->text(0), "Source Address: 192.0.2.10");
}

TEST(MainWindow, AMessageJoinedFromSegmentsShowsItsOwnOctetsUnderItsLastSegmentsLayers) {
    OpenWindow open("tcp-split.pcap");
    auto& window = open.window;
    ASSERT_GT(window.model()->rowCount(), 0);
    window.selectRow(0);
    auto* tree = window.detail()->tree();
    ASSERT_NE(findItem(tree, "[RADIUS message of 125 bytes, joined from this and earlier "
                             "segments]"),
              nullptr);
    // The octets shown are the message's, so its first octet is the header's, and the
    // layers (which point into a frame not shown) claim none.
    EXPECT_TRUE(window.detail()->selectNodeAt(0));
    EXPECT_EQ(tree->currentItem()->text(0), "RADIUS-Header");
    tree->setCurrentItem(findItem(tree, "Window: 65535"));
    EXPECT_FALSE(window.detail()->hex()->highlighted());
}

TEST(MainWindow, FiltersTakeExpressionsAndFindPredicatesAndReportErrorsInline) {
    OpenWindow open("auth-exchange.pcap");
    auto& window = open.window;
    struct Case {
        const char* filter;
        bool accepted;
        int rows;
    } cases[] = {
        {"radiusCodeResolved CONTAINS[c] \"accept\"", true, 1},
        {"radiusCode == 1", true, 5},
        {"RADIUS Code contains=Reject", true, 1},
        {"radiusCode ==", false, 1}, // the list stays as it was
        {"nosuchfield == 1", false, 1},
        {"", true, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        window.filterEdit()->setText(c.filter);
        QTest::keyClick(window.filterEdit(), Qt::Key_Return);
        EXPECT_TRUE(window.waitUntilIdle(30));
        EXPECT_EQ(window.filterError()->text().isEmpty(), c.accepted)
            << window.filterError()->text().toStdString();
        EXPECT_EQ(window.model()->rowCount(), c.rows);
    }
    window.applyFilter("radiusCode == 1");
    window.waitUntilIdle(30);
    EXPECT_TRUE(window.countLabel()->text().contains("Shown: 5"))
        << window.countLabel()->text().toStdString();
}

// Once the capture is read, each request names its response and each response its
// request and time, in the list, the tree and the filters; Go › Linked Message (Ctrl+L)
// moves between them.
TEST(MainWindow, RequestsAndResponsesAreLinked) {
    OpenWindow open("auth-exchange.pcap");
    auto& window = open.window;
    auto* model = window.model();
    const auto cell = [&](int row, int column) {
        return model->data(model->index(row, column), Qt::DisplayRole).toString();
    };
    EXPECT_EQ(cell(0, model->linkedFrameColumn()), "2");
    EXPECT_EQ(cell(0, model->responseTimeColumn()), "");
    EXPECT_EQ(cell(1, model->linkedFrameColumn()), "1");
    EXPECT_EQ(cell(1, model->responseTimeColumn()), "0.000125");
    EXPECT_EQ(cell(7, model->linkedFrameColumn()), ""); // never answered

    window.selectRow(2);
    // The menu item, by its shortcut: an offscreen window is not always the active one
    // that a key press would reach.
    QAction* linked = nullptr;
    for (auto* action : window.findChildren<QAction*>())
        if (action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_L))
            linked = action;
    ASSERT_NE(linked, nullptr);
    EXPECT_EQ(linked->text(), "&Linked Message");
    linked->trigger();
    EXPECT_EQ(window.list()->currentIndex().row(), 3);
    auto* tree = window.detail()->tree();
    auto* exchange = findItem(tree, "RADIUS-Exchange");
    ASSERT_NE(exchange, nullptr);
    ASSERT_EQ(exchange->childCount(), 2);
    EXPECT_EQ(exchange->child(0)->text(0), "Request in frame: 3");
    EXPECT_EQ(exchange->child(1)->text(0), "Time from request: 0.000125 s");
    window.goToLinkedMessage();
    EXPECT_EQ(window.list()->currentIndex().row(), 2);

    window.applyFilter("!responseFrame && radiusCode == 1");
    EXPECT_TRUE(window.waitUntilIdle(30));
    EXPECT_EQ(model->rowCount(), 2); // frames 7 and 8
    window.applyFilter("retransmissionOf == 7");
    EXPECT_TRUE(window.waitUntilIdle(30));
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(cell(0, gui::PacketListModel::frame), "8");
}

// Statistics › Authentications: the rows -z radius,auths prints, failed ones red; a
// selected row leaves its messages alone in the list.
TEST(MainWindow, AuthenticationsAreATableThatFiltersTheList) {
    OpenWindow open("eap-tls.pcap");
    auto& window = open.window;
    bool shown = false;
    window.onAuthentications = [&](gui::AuthenticationsDialog& dialog) {
        shown = true;
        auto* table = dialog.table();
        ASSERT_EQ(table->rowCount(), 3);
        EXPECT_EQ(table->item(0, 4)->text(), "alice");
        EXPECT_EQ(table->item(0, 8)->text(), "Access-Accept");
        EXPECT_EQ(table->item(1, 8)->text(), "Access-Reject");
        EXPECT_EQ(table->item(1, 9)->text(), "TLS 1.2");
        EXPECT_EQ(table->item(1, 10)->text(), "TLS_ECDHE_RSA_WITH_AES_256_GCM_SHA384");
        EXPECT_TRUE(table->item(1, 11)->text().startsWith("unknown_ca (no alert; client "
                                                          "certificate O=Example,CN=mallory"));
        EXPECT_EQ(table->item(1, 8)->foreground().color(), QColor(Qt::red));
        table->selectRow(1); // mallory's: six round trips
        EXPECT_EQ(window.model()->rowCount(), 12);
        EXPECT_EQ(window.model()->data(window.model()->index(0, gui::PacketListModel::frame),
                                       Qt::DisplayRole),
                  "17");
    };
    window.showAuthentications();
    EXPECT_TRUE(shown);
}

TEST(MainWindow, SortsByAnyColumn) {
    OpenWindow open("auth-exchange.pcap");
    auto& window = open.window;
    auto* model = window.model();
    window.selectRow(2); // frame 3
    auto lengthAt = [&](int row) {
        return model->data(model->index(row, gui::PacketListModel::length), Qt::DisplayRole)
            .toInt();
    };
    window.list()->sortByColumn(gui::PacketListModel::length, Qt::DescendingOrder);
    for (int row = 1; row < model->rowCount(); ++row)
        EXPECT_GE(lengthAt(row - 1), lengthAt(row));
    // The selected message stays selected in its new row.
    const auto current = window.list()->currentIndex();
    ASSERT_TRUE(current.isValid());
    EXPECT_EQ(model->data(model->index(current.row(), 0), Qt::DisplayRole).toString(), "3");
    window.list()->sortByColumn(gui::PacketListModel::info, Qt::AscendingOrder);
    EXPECT_TRUE(model->data(model->index(0, gui::PacketListModel::info), Qt::DisplayRole)
                    .toString()
                    .startsWith("Access-Accept"));
    window.list()->sortByColumn(gui::PacketListModel::frame, Qt::AscendingOrder);
    EXPECT_EQ(model->data(model->index(0, 0), Qt::DisplayRole).toString(), "1");
}

TEST(MainWindow, NumericPlugInColumnsSortAsNumbers) {
    OpenWindow open("secrets.pcap"); // identifiers 1 to 35
    auto* model = open.window.model();
    int identifier = -1;
    for (int column = 0; column < model->columnCount(); ++column)
        if (model->headerData(column, Qt::Horizontal, Qt::DisplayRole)
                .toString()
                .contains("Identifier"))
            identifier = column;
    ASSERT_GE(identifier, 0);
    open.window.list()->sortByColumn(identifier, Qt::AscendingOrder);
    auto at = [&](int row) {
        return model->data(model->index(row, identifier), Qt::DisplayRole).toString();
    };
    for (int row = 1; row < model->rowCount(); ++row)
        EXPECT_LE(at(row - 1).toInt(), at(row).toInt())
            << at(row - 1).toStdString() << " before " << at(row).toStdString();
}

TEST(MainWindow, TheColourSettingChangesTheOpenList) {
    OpenWindow open("auth-exchange.pcap");
    auto& window = open.window;
    auto settings = host().makeSettingsWidget();
    window.followSettings(*settings);
    settings->show();
    auto background = [&] {
        return window.model()->data(window.model()->index(0, 0), Qt::BackgroundRole);
    };
    settings->view().setUseColor(false);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_FALSE(background().isValid());
    settings->view().setProtocolColor({1, 0, 0, 1});
    QTest::mouseClick(settings->colorBox(), Qt::LeftButton, {},
                      QPoint(8, settings->colorBox()->height() / 2));
    QApplication::processEvents();
    QApplication::processEvents();
    ASSERT_TRUE(background().isValid());
    EXPECT_EQ(background().value<QBrush>().color(), QColor(Qt::red));
    settings->view().setUseColor(false);
}

TEST(MainWindow, ALargeReadCanBeCancelled) {
    testing_support::TemporaryFolder folder;
    const auto capture = (folder.path() / "large.pcap").string();
    const std::string command =
        std::string(RADIUS_MAKE_SAMPLES_EXECUTABLE) + " --bench 400000 " + capture + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    // Read through a pipe that holds back the second half until the read is cancelled,
    // so that cancelling comes while the read is under way however fast it is.
    {
        testing_support::PipeFeed feed(folder.path(), capture,
                                       std::filesystem::file_size(capture) / 2);
        gui::MainWindow window(host());
        window.show();
        ASSERT_TRUE(window.openCapture(QString::fromStdString(feed.path()), true));
        for (int i = 0; i < 3000 && window.model()->totalCount() == 0; ++i)
            window.waitUntilIdle(0.01);
        ASSERT_GT(window.model()->totalCount(), 0u);
        window.cancelWork();
        feed.release();
        EXPECT_TRUE(window.waitUntilIdle(30));
        EXPECT_LT(window.model()->totalCount(), 400000u)
            << window.countLabel()->text().toStdString();
        // The same capture read whole; the pipe's reader goes, and with it the feed.
        ASSERT_TRUE(window.openCapture(QString::fromStdString(capture), true));
        EXPECT_TRUE(window.waitUntilIdle(60));
        EXPECT_EQ(window.model()->totalCount(), 400000u)
            << window.countLabel()->text().toStdString();
        EXPECT_EQ(window.model()->rowCount(), 400000);
    }
}

// A copy of an Ethernet and IPv4 capture with the UDP port `from` changed to `to` (the
// checksums left as they were: nothing here checks them).
std::string withPortMoved(const std::string& pcapPath, const std::filesystem::path& folder,
                          std::uint16_t from, std::uint16_t to) {
    char error[PCAP_ERRBUF_SIZE];
    pcap_t* in = pcap_open_offline(pcapPath.c_str(), error);
    EXPECT_NE(in, nullptr) << error;
    const auto path = (folder / "moved.pcap").string();
    pcap_dumper_t* out = pcap_dump_open(in, path.c_str());
    pcap_pkthdr* header;
    const u_char* data;
    while (pcap_next_ex(in, &header, &data) == 1) {
        std::vector<u_char> frame(data, data + header->caplen);
        for (const std::size_t at : {34u, 36u}) // the UDP ports after 14 + 20 octets
            if (frame.size() > at + 1 && ((frame[at] << 8) | frame[at + 1]) == from) {
                frame[at] = static_cast<u_char>(to >> 8);
                frame[at + 1] = static_cast<u_char>(to & 0xff);
            }
        pcap_dump(reinterpret_cast<u_char*>(out), header, frame.data());
    }
    pcap_dump_close(out);
    pcap_close(in);
    return path;
}

TEST(MainWindow, DecodeAsMakesMessagesOnAnotherPortAppear) {
    testing_support::TemporaryFolder folder;
    gui::MainWindow window(host());
    window.show();
    ASSERT_TRUE(window.openCapture(
        QString::fromStdString(
            withPortMoved(sample("auth-exchange.pcap").toStdString(), folder.path(), 1812, 11812)),
        true));
    ASSERT_TRUE(window.waitUntilIdle(30));
    EXPECT_EQ(window.model()->rowCount(), 0);
    window.decodeAs({{"RADIUS", zem::kZEMSourceProtocols::udp, 11812}});
    EXPECT_TRUE(window.waitUntilIdle(30));
    EXPECT_EQ(window.model()->rowCount(), 8);
}

// A narrow window puts the octets below the tree, so that tree lines stay readable.
TEST(MainWindow, TheOctetsGoBelowTheTreeInANarrowWindow) {
    OpenWindow open("auth-exchange.pcap");
    for (const auto& [width, orientation] :
         {std::pair{800, Qt::Vertical}, std::pair{1600, Qt::Horizontal}}) {
        open.window.resize(width, 600);
        QApplication::processEvents();
        EXPECT_EQ(open.window.detail()->orientation(), orientation) << width;
    }
}

// CoA and Disconnect on 3799 are decoded without a rule, as tshark does.
TEST(MainWindow, CoaPortsAreDecodedByDefault) {
    OpenWindow open("coa-disconnect.pcap");
    EXPECT_EQ(open.window.model()->rowCount(), 4);
}

TEST(MainWindow, StatisticsCountWhatTheCommandLineCounts) {
    OpenWindow open("auth-exchange.pcap");
    const auto summary = open.window.computeStatistics();
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->messages, 8u);
    EXPECT_EQ(summary->requests, 5u);
    EXPECT_EQ(summary->answered, 3u);
    EXPECT_EQ(summary->retransmissions, 1u);
}

namespace {

// The packets of a pcap file written again as pcapng: a section header, one interface
// and an enhanced packet block per packet.
std::string toPcapng(const std::string& pcapPath, const std::filesystem::path& folder) {
    char error[PCAP_ERRBUF_SIZE];
    pcap_t* in = pcap_open_offline(pcapPath.c_str(), error);
    EXPECT_NE(in, nullptr) << error;
    std::string out;
    auto u32 = [&out](std::uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&out](std::uint16_t v) { out.append(reinterpret_cast<const char*>(&v), 2); };
    u32(0x0A0D0D0A), u32(28), u32(0x1A2B3C4D), u16(1), u16(0);
    u32(0xFFFFFFFF), u32(0xFFFFFFFF), u32(28);
    u32(1), u32(20), u16(static_cast<std::uint16_t>(pcap_datalink(in))), u16(0), u32(65535),
        u32(20);
    pcap_pkthdr* header;
    const u_char* data;
    while (pcap_next_ex(in, &header, &data) == 1) {
        const std::uint32_t padded = (header->caplen + 3) & ~3u;
        const std::uint64_t micros =
            std::uint64_t(header->ts.tv_sec) * 1000000 + std::uint64_t(header->ts.tv_usec);
        u32(6), u32(32 + padded), u32(0), u32(std::uint32_t(micros >> 32)),
            u32(std::uint32_t(micros)), u32(header->caplen), u32(header->len);
        out.append(reinterpret_cast<const char*>(data), header->caplen);
        out.append(padded - header->caplen, '\0');
        u32(32 + padded);
    }
    pcap_close(in);
    const auto path = (folder / "converted.pcapng").string();
    std::ofstream(path, std::ios::binary) << out;
    return path;
}

} // namespace

// Every payload on a claimed port is a row: one too short to be RADIUS is listed as such
// (the command line counts it apart, under -z radius,stats).
TEST(MainWindow, ReadsEveryLayerAndPcapng) {
    struct Case {
        const char* sample;
        int messages;
    } cases[] = {
        {"tcp-split.pcap", 2}, {"fragmented-eap-ipv6.pcap", 2}, {"ipv6.pcap", 2},
        {"qinq.pcap", 2},      {"malformed.pcap", 5},           {"accounting.pcap", 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sample);
        OpenWindow open(c.sample);
        EXPECT_EQ(open.window.model()->rowCount(), c.messages);
    }
    testing_support::TemporaryFolder folder;
    gui::MainWindow window(host());
    ASSERT_TRUE(window.openCapture(
        QString::fromStdString(toPcapng(sample("auth-exchange.pcap").toStdString(), folder.path())),
        true));
    EXPECT_TRUE(window.waitUntilIdle(30));
    EXPECT_EQ(window.model()->rowCount(), 8);
}

TEST(MainWindow, ABrokenCaptureIsOneClearMessage) {
    gui::MainWindow window(host());
    EXPECT_FALSE(window.openCapture(sample("access-request.hex"), true));
    EXPECT_FALSE(window.openCapture(sample("no-such.pcap"), true));
    EXPECT_FALSE(window.startLiveCapture("no-such-interface0", true));
}

TEST(MainWindow, DictionaryAttributesFilterAndShowInTheTree) {
    OpenWindow open("vendor-tunnel.pcap");
    auto& window = open.window;
    ASSERT_TRUE(window.applyFilter("avp.Cisco_AVPair CONTAINS \"priv-lvl\""));
    ASSERT_TRUE(window.waitUntilIdle(30));
    ASSERT_EQ(window.model()->rowCount(), 1);
    window.selectRow(0);
    EXPECT_NE(findItem(window.detail()->tree(), "Cisco-AVPair: shell:priv-lvl=15"), nullptr);
    EXPECT_FALSE(window.applyFilter("avp.No_Such_Attribute == 1"));
    EXPECT_TRUE(window.filterError()->text().contains("avp.No_Such_Attribute"));
}

TEST(MainWindow, ATemporaryFolderThatCannotBeUsedIsNamedWithItsReason) {
    // Opening a capture keeps its messages in a temporary file: a TMPDIR that does not
    // exist is said, with the folder and why, instead of ending the program.
    const char* previous = std::getenv("TMPDIR");
    const std::string saved = previous ? previous : "";
    setenv("TMPDIR", "/nonexistent-radius-test", 1);
    gui::MainWindow window(host());
    EXPECT_FALSE(window.openCapture(sample("auth-exchange.pcap"), true));
    const auto said = window.statusBar()->currentMessage();
    if (previous)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");
    EXPECT_TRUE(said.contains("/nonexistent-radius-test")) << said.toStdString();
    EXPECT_TRUE(said.contains("No such file or directory")) << said.toStdString();
}

TEST(MainWindow, ALiveCaptureLeavesNoRecordingBehind) {
    testing_support::TemporaryFolder folder;
    const char* previous = std::getenv("TMPDIR");
    const std::string saved = previous ? previous : "";
    setenv("TMPDIR", folder.path().c_str(), 1);
    {
        gui::MainWindow window(host());
        const bool capturing = window.startLiveCapture("lo", true);
        if (capturing) {
            // The recording is there for Save, but has no name that outlives the window.
            for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
                ADD_FAILURE() << "left in the temporary folder: " << entry.path();
        }
        if (previous)
            setenv("TMPDIR", saved.c_str(), 1);
        else
            unsetenv("TMPDIR");
        if (!capturing)
            GTEST_SKIP() << "no rights to capture on lo here";
    }
}

TEST(MainWindow, ATlsMessageSentInFragmentsShowsWholeWhereItEnds) {
    OpenWindow open("eap-tls.pcap");
    auto& window = open.window;
    window.selectRow(9); // frame 10: the last of the server's three fragments
    auto* tree = window.detail()->tree();
    ASSERT_NE(findItem(tree, "TLS"), nullptr);
    EXPECT_NE(findItem(tree, "Handshake: Certificate (11), 1663 octets"), nullptr);
    EXPECT_NE(findItem(tree, "Subject: O=Example,CN=radius.example.test"), nullptr);
    window.selectRow(7); // frame 8: a fragment more follow
    EXPECT_EQ(findItem(window.detail()->tree(), "TLS"), nullptr);
}

TEST(MainWindow, HomeAndEndGoToTheFirstAndLastMessageWithNoInView) {
    OpenWindow open("eap-tls.pcap");
    auto& window = open.window;
    auto* list = window.list();
    window.selectRow(3);
    list->horizontalScrollBar()->setValue(list->horizontalScrollBar()->maximum());
    for (const auto& [key, modifiers, row] :
         {std::tuple{Qt::Key_End, Qt::NoModifier, 41}, std::tuple{Qt::Key_Home, Qt::NoModifier, 0},
          std::tuple{Qt::Key_End, Qt::ControlModifier, 41},
          std::tuple{Qt::Key_Home, Qt::ControlModifier, 0}}) {
        QTest::keyClick(list, key, modifiers);
        EXPECT_EQ(list->currentIndex().row(), row);
        EXPECT_EQ(list->currentIndex().column(), gui::PacketListModel::frame);
        EXPECT_EQ(list->horizontalScrollBar()->value(), 0);
    }
}

TEST(MainWindow, AFileCutShortShowsItsMessagesAndSaysSoAboveTheList) {
    OpenWindow open("cut-off.pcap");
    auto& window = open.window;
    EXPECT_EQ(window.model()->rowCount(), 1);
    ASSERT_TRUE(window.notice()->isVisible());
    EXPECT_TRUE(window.notice()->text().contains("the 1 message read is shown"));
    EXPECT_TRUE(window.notice()->text().contains("truncated dump file"));
    // A whole file opened next: the bar goes.
    ASSERT_TRUE(window.openCapture(sample("auth-exchange.pcap"), true));
    ASSERT_TRUE(window.waitUntilIdle(30));
    EXPECT_FALSE(window.notice()->isVisible());
}

TEST(MainWindow, StatisticsCountWhatTheFilterShowsAndSaySo) {
    OpenWindow open("auth-exchange.pcap");
    auto& window = open.window;
    ASSERT_TRUE(window.applyFilter("radiusCode == 1"));
    ASSERT_TRUE(window.waitUntilIdle(30));
    const auto summary = window.computeStatistics();
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->messages, 5u);
    EXPECT_EQ(summary->requests, 5u);
    QString counted;
    int wrapped = -1;
    window.onStatistics = [&](QDialog& dialog) {
        dialog.show();
        QApplication::processEvents();
        counted = dialog.findChild<QLabel*>("counted")->text();
        auto* table = dialog.findChild<QTableWidget*>("statistics");
        wrapped = table->wordWrap() ? 1 : 0;
        // Every row's label and value are whole: their columns are as wide as the texts.
        for (int r = 0; r < table->rowCount(); ++r)
            for (int c = 0; c < 2; ++c) {
                const auto* item = table->item(r, c);
                EXPECT_LE(table->fontMetrics().horizontalAdvance(item->text()),
                          table->columnWidth(c))
                    << item->text().toStdString();
            }
    };
    window.showStatistics();
    EXPECT_EQ(counted, "The 5 of 8 messages the list shows (filter: radiusCode == 1)");
    EXPECT_EQ(wrapped, 0);
}

// The window's report tables hold the command line's rows, value for value, and sort by
// numbers.
TEST(MainWindow, StatisticsTablesShowTheCommandLinesRows) {
    struct Case {
        const char* table;
        void (gui::MainWindow::*show)();
        std::string arguments;
        bool withSecrets;
        int sortColumn;
        const char* firstAfterSorting; // by that column, descending
        const char* notes;             // below the table
        const char* rowsStart;         // how the command line's rows start: "" for digits
        int rows;
    };
    const std::string secrets = sample("secrets.txt").toStdString();
    const Case cases[] = {
        {"clients", &gui::MainWindow::showClients, "-z radius,clients", false, 3, "192.0.2.10", "",
         "", 7},
        {"security", &gui::MainWindow::showSecurity, "-z radius,security --secrets " + secrets,
         true, 6, "192.0.2.10",
         "Client 203.0.113.5: 4 of 4 checked messages invalid: wrong secret?", "", 7},
        {"security", &gui::MainWindow::showSecurity, "-z radius,security", false, 1, "192.0.2.10",
         "No shared secrets loaded (Analyze › Shared Secrets): only exposure is counted.", "", 7},
        {"sessions", &gui::MainWindow::showSessions, "-z radius,sessions", false, 0, "session-7",
         "Sessions: 2", "session-", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        OpenWindow open("secrets.pcap");
        if (c.withSecrets) {
            ASSERT_TRUE(open.window.loadSecrets(sample("secrets.txt"), true));
        }
        QStringList rows;
        QString firstAfterSorting, notes;
        open.window.onStatistics = [&](QDialog& dialog) {
            auto* table = dialog.findChild<QTableWidget*>(c.table);
            ASSERT_NE(table, nullptr);
            for (int r = 0; r < table->rowCount(); ++r) {
                QStringList cells;
                for (int column = 0; column < table->columnCount(); ++column)
                    cells << table->item(r, column)->text();
                rows << cells.join(' ');
            }
            if (const auto* below = dialog.findChild<QLabel*>("notes"))
                notes = below->text();
            table->sortItems(c.sortColumn, Qt::DescendingOrder);
            firstAfterSorting = table->item(0, 0)->text();
        };
        (open.window.*c.show)();

        const std::string command = std::string(RADIUS_ANALYZER_EXECUTABLE) + " -q " + c.arguments +
                                    " -r " + sample("secrets.pcap").toStdString() + " 2>/dev/null";
        QStringList printed; // the rows of clients, which start with their address
        if (FILE* pipe = popen(command.c_str(), "r")) {
            std::array<char, 512> line{};
            while (std::fgets(line.data(), line.size(), pipe))
                if (*c.rowsStart ? std::string_view(line.data()).starts_with(c.rowsStart)
                                 : std::isdigit(static_cast<unsigned char>(line[0])) != 0)
                    printed << QString(line.data()).simplified();
            pclose(pipe);
        }
        EXPECT_EQ(rows.join('\n').toStdString(), printed.join('\n').toStdString());
        EXPECT_EQ(rows.size(), c.rows); // with the CoA client on 3799, for the clients
        EXPECT_EQ(firstAfterSorting.toStdString(), c.firstAfterSorting);
        EXPECT_EQ(notes.toStdString(), c.notes);
    }
}

TEST(MainWindow, TheFilterBarIsGreenOrRedAsOneTypes) {
    OpenWindow open("auth-exchange.pcap");
    auto* edit = open.window.filterEdit();
    struct Case {
        const char* text;
        QVariant valid;
    } cases[] = {
        {"radiusCode == 2", true},
        {"radiusCode ==", false},
        {"avp.User_Nme == \"bob\"", false},
        {"", QVariant()},
    };
    for (const auto& c : cases) {
        edit->setText(c.text);
        EXPECT_EQ(edit->property("filterValid"), c.valid) << c.text;
    }
    edit->setText("avp.User_Nme == \"bob\"");
    EXPECT_TRUE(edit->toolTip().contains("did you mean \"avp.User_Name\""))
        << edit->toolTip().toStdString();
}

TEST(MainWindow, GoToMessageSelectsItsFrame) {
    OpenWindow open("auth-exchange.pcap");
    auto& window = open.window;
    QAction* goTo = nullptr;
    for (auto* action : window.findChildren<QAction*>())
        if (action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_G))
            goTo = action;
    ASSERT_NE(goTo, nullptr);
    EXPECT_TRUE(window.goToFrame(5));
    EXPECT_EQ(window.list()->currentIndex().row(), 4);
    EXPECT_FALSE(window.goToFrame(99));
    EXPECT_EQ(window.statusBar()->currentMessage(), "Frame 99 is not shown");
}

// Types `ports` into the first row of the settings view and presses Ok.
void submitPorts(gui::SettingsViewWidget& settings, const QString& ports) {
    QApplication::processEvents();
    gui_testing::typePorts(settings, 0, ports);
    QTest::mouseClick(settings.okButton(), Qt::LeftButton);
}

TEST(MainWindow, APortChangedInPreferencesDecodesTheOpenCaptureAgain) {
    OpenWindow open("auth-exchange.pcap");
    auto& window = open.window;
    const int before = window.model()->rowCount();
    ASSERT_EQ(before, 8);
    // Port 1812 no longer RADIUS's: its messages go from the open capture.
    window.onPreferences = [](gui::SettingsViewWidget& settings) { submitPorts(settings, "1645"); };
    window.showPreferences();
    EXPECT_TRUE(window.waitUntilIdle(30));
    EXPECT_EQ(window.model()->rowCount(), 0);
    // Back to the defaults, for the tests after this one.
    window.onPreferences = [](gui::SettingsViewWidget& settings) {
        submitPorts(settings, "1645,1812");
    };
    window.showPreferences();
    EXPECT_TRUE(window.waitUntilIdle(30));
    EXPECT_EQ(window.model()->rowCount(), before);
}

TEST(MainWindow, CancelInPreferencesPutsBackWhatTheDialogChanged) {
    OpenWindow open("auth-exchange.pcap");
    auto& window = open.window;
    const int before = window.model()->rowCount();
    auto& store = zem::ZEMUserDefaults::standardUserDefaults();
    const auto stored = store.storedValues();
    window.onPreferences = [](gui::SettingsViewWidget& settings) {
        QApplication::processEvents();
        gui_testing::typePorts(settings, 0, "1645"); // registered as it is entered
        settings.secretsBox()->click();
        auto* buttons = settings.window()->findChild<QDialogButtonBox*>();
        QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    };
    window.showPreferences();
    EXPECT_TRUE(window.waitUntilIdle(30));
    EXPECT_EQ(window.model()->rowCount(), before); // 1812 is RADIUS's again
    EXPECT_EQ(store.storedValues(), stored);
}

TEST(MainWindow, ColumnsHiddenOrMovedStaySoInTheNextWindow) {
    QSettings().remove("packetListColumns");
    const auto visualOrder = [](QHeaderView& header) {
        QStringList titles;
        for (int visual = 0; visual < header.count(); ++visual)
            if (const int column = header.logicalIndex(visual); !header.isSectionHidden(column))
                titles << header.model()->headerData(column, Qt::Horizontal).toString();
        return titles;
    };
    QStringList arranged;
    {
        OpenWindow open("auth-exchange.pcap");
        auto& header = *open.window.list()->horizontalHeader();
        const auto menu = open.window.columns()->menu();
        QStringList offered;
        for (auto* action : menu->actions())
            offered << action->text();
        EXPECT_EQ(offered, visualOrder(header)); // every column, as shown
        for (auto* action : menu->actions())
            if (action->text() == "Length")
                action->trigger(); // hidden
        header.moveSection(header.visualIndex(gui::PacketListModel::info), 0);
        arranged = visualOrder(header);
        EXPECT_EQ(arranged.front(), "Info");
        EXPECT_FALSE(arranged.contains("Length"));
    }
    {
        OpenWindow again("auth-exchange.pcap");
        EXPECT_EQ(visualOrder(*again.window.list()->horizontalHeader()), arranged);
    }
    QSettings().remove("packetListColumns"); // the next tests see the usual columns
}

TEST(MainWindow, ContextActionsFilterCopyAndFollow) {
    OpenWindow open("auth-exchange.pcap");
    auto& window = open.window;
    window.selectRow(0);
    auto* tree = window.detail()->tree();
    auto* userName = findItem(tree, "User Name: alice");
    ASSERT_NE(userName, nullptr);
    EXPECT_TRUE(window.copyNode(*userName, gui::MainWindow::NodePart::fieldName));
    EXPECT_EQ(QApplication::clipboard()->text(), "avp.User_Name");
    EXPECT_TRUE(window.copyNode(*userName, gui::MainWindow::NodePart::value));
    EXPECT_EQ(QApplication::clipboard()->text(), "alice");
    EXPECT_FALSE(window.filterByNode(*findItem(tree, "RADIUS-Header"), true));
    EXPECT_TRUE(window.filterByNode(*userName, true));
    EXPECT_EQ(window.filterEdit()->text(), "avp.User_Name == \"alice\"");
    EXPECT_TRUE(window.waitUntilIdle(30));
    EXPECT_EQ(window.model()->rowCount(), 1); // as -Y "avp.User_Name == \"alice\"" finds

    window.applyFilter("");
    window.copyRow(0, true);
    EXPECT_TRUE(QApplication::clipboard()->text().startsWith("1,0.000000,192.0.2.10,"))
        << QApplication::clipboard()->text().toStdString();

    // Frame 7 was sent again as frame 8 and never answered; frame 3 was answered by 4.
    window.followExchange(2);
    ASSERT_EQ(window.model()->rowCount(), 2);
    EXPECT_EQ(window.model()->data(window.model()->index(1, gui::PacketListModel::frame),
                                   Qt::DisplayRole),
              "4");
    window.applyFilter("");
    window.followExchange(7);
    ASSERT_EQ(window.model()->rowCount(), 2);
    EXPECT_EQ(window.model()->data(window.model()->index(0, gui::PacketListModel::frame),
                                   Qt::DisplayRole),
              "7");
}

TEST(MainWindow, ExportSpecifiedMessagesWritesTheirFrames) {
    OpenWindow open("auth-exchange.pcap");
    auto& window = open.window;
    testing_support::TemporaryFolder folder;
    ASSERT_TRUE(window.applyFilter("radiusCode == 2"));
    ASSERT_TRUE(window.waitUntilIdle(30));
    const auto displayed = (folder.path() / "accepts.pcapng").string();
    EXPECT_EQ(window.exportMessages(QString::fromStdString(displayed),
                                    gui::MainWindow::ExportRange::displayed, true),
              QString());
    window.applyFilter("");
    const auto all = (folder.path() / "all.pcap").string();
    EXPECT_EQ(window.exportMessages(QString::fromStdString(all), gui::MainWindow::ExportRange::all,
                                    false),
              QString());
    // What the command line reads back from them.
    const auto read = [](const std::string& file) {
        std::string lines;
        std::string command =
            std::string(RADIUS_ANALYZER_EXECUTABLE) + " -T fields -e radiusCode " + file;
        if (FILE* pipe = popen(command.c_str(), "r")) {
            char buffer[256];
            while (fgets(buffer, sizeof buffer, pipe))
                lines += buffer;
            pclose(pipe);
        }
        return lines;
    };
    EXPECT_EQ(read(displayed), "2\n"); // the one Access-Accept
    const auto allLines = read(all);
    EXPECT_EQ(std::count(allLines.begin(), allLines.end(), '\n'), 8);
    // Never over the capture it reads.
    EXPECT_FALSE(
        window
            .exportMessages(sample("auth-exchange.pcap"), gui::MainWindow::ExportRange::all, false)
            .isEmpty());
}

TEST(MainWindow, NextAndPreviousStayWithinTheExchange) {
    OpenWindow open("auth-exchange.pcap");
    auto& window = open.window;
    ASSERT_TRUE(window.goToFrame(7)); // sent again as 8, never answered
    EXPECT_TRUE(window.goWithinExchange(1));
    EXPECT_EQ(window.list()->currentIndex().row(), 7);
    EXPECT_FALSE(window.goWithinExchange(1));
    EXPECT_TRUE(window.goWithinExchange(-1));
    EXPECT_EQ(window.list()->currentIndex().row(), 6);
    ASSERT_TRUE(window.goToFrame(4)); // the answer to 3
    EXPECT_TRUE(window.goWithinExchange(-1));
    EXPECT_EQ(window.list()->currentIndex().row(), 2);
}

// RADIUS over TLS with a key log: the messages inside are rows like any other, checked
// with RadSec's secret; a file that is no key log is refused and changes nothing.
TEST(MainWindow, ReadsRadiusOverTlsWithAKeyLog) {
    gui::MainWindow window{host()};
    window.show();
    EXPECT_FALSE(window.loadTlsKeyLog(sample("secrets.txt"), true));
    ASSERT_TRUE(window.loadTlsKeyLog(sample("radsec-tls13.keys"), true));
    ASSERT_TRUE(window.openCapture(sample("radsec-tls13.pcap"), true));
    ASSERT_TRUE(window.waitUntilIdle(30));
    auto* model = window.model();
    ASSERT_EQ(model->rowCount(), 36);
    EXPECT_EQ(
        model->data(model->index(0, gui::PacketListModel::transport), Qt::DisplayRole).toString(),
        "RADIUS/TLS");
    window.selectRow(0);
    auto* checks = findItem(window.detail()->tree(), "RADIUS-Checks");
    ASSERT_NE(checks, nullptr);
    EXPECT_NE(findItem(window.detail()->tree(), "Message-Authenticator: valid"), nullptr);
}
