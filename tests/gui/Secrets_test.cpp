// The window with shared secrets: the checks column, the checks node in the detail tree,
// filters on the check fields, and the Secrets dialog loading and clearing a file.
#include "DetailView.hpp"
#include "GuiTestSupport.hpp"
#include "MainWindow.hpp"
#include "PacketListModel.hpp"
#include "SecretsDialog.hpp"
#include "TestSupport.hpp"

#include <QBrush>
#include <QLabel>
#include <QTreeWidget>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using gui_testing::host;

QString sample(const char* name) {
    return QString(RADIUS_SAMPLES_DIR) + "/" + name;
}

// The checks column of the row that shows frame `frame`.
std::string checksOfFrame(const gui::MainWindow& window, int frame) {
    auto* model = window.model();
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->data(model->index(row, gui::PacketListModel::frame), Qt::DisplayRole).toInt() ==
            frame)
            return model->data(model->index(row, model->checksColumn()), Qt::DisplayRole)
                .toString()
                .toStdString();
    return "(no row)";
}

QStringList checksNodeLines(const gui::MainWindow& window) {
    auto* tree = window.detail()->tree();
    QStringList lines;
    auto* last = tree->topLevelItem(tree->topLevelItemCount() - 1);
    if (!last || last->text(0) != "RADIUS-Checks")
        return lines;
    for (int i = 0; i < last->childCount(); ++i)
        lines << last->child(i)->text(0);
    return lines;
}

} // namespace

TEST(WindowSecrets, TheListAndTheTreeShowWhatTheChecksFound) {
    gui::MainWindow window(host());
    window.show();
    ASSERT_TRUE(window.openCapture(sample("secrets.pcap"), true));
    ASSERT_TRUE(window.waitUntilIdle(30));
    // Without secrets only exposure shows.
    EXPECT_EQ(checksOfFrame(window, 1), "");
    EXPECT_EQ(checksOfFrame(window, 32), "exposed");

    ASSERT_TRUE(window.loadSecrets(sample("secrets.txt"), true));
    const std::pair<int, const char*> expected[] = {{1, "valid"},
                                                    {2, "valid"},
                                                    {19, "invalid"},
                                                    {24, "invalid"},
                                                    {27, "invalid, exposed"},
                                                    {28, "unverified"},
                                                    {32, "unverified, exposed"},
                                                    {43, "invalid"},
                                                    {47, "unverified"}};
    for (const auto& [frame, text] : expected)
        EXPECT_EQ(checksOfFrame(window, frame), text) << "frame " << frame;
    auto* model = window.model();
    for (int row : {13, 14}) { // frames 14 and 19
        const auto brush =
            model->data(model->index(row, model->checksColumn()), Qt::ForegroundRole);
        const bool invalid =
            model->data(model->index(row, model->checksColumn()), Qt::DisplayRole).toString() ==
            "invalid";
        EXPECT_EQ(brush.value<QBrush>().color() == QColor(Qt::red), invalid) << "row " << row;
    }

    window.selectRow(0);
    EXPECT_EQ(checksNodeLines(window),
              QStringList({"Authenticator: unverified", "Message-Authenticator: valid",
                           "User-Password: password"}));
    window.selectRow(1);
    EXPECT_TRUE(checksNodeLines(window).contains("Tunnel-Password (tag 1): tunnel-pw"));

    // The filter bar knows the check fields.
    ASSERT_TRUE(window.applyFilter("authenticatorCheck == \"invalid\""));
    ASSERT_TRUE(window.waitUntilIdle(30));
    EXPECT_EQ(window.model()->rowCount(), 4); // 21, 24, 44, 46
}

TEST(WindowSecrets, TheDialogLoadsReportsAndClears) {
    gui::CaptureChecks checks;
    int changes = 0;
    gui::SecretsDialog dialog(checks, [&] { ++changes; });
    EXPECT_TRUE(dialog.status()->text().startsWith("No secrets loaded"));

    testing_support::TemporaryFolder folder;
    const auto bad = (folder.path() / "bad.txt").string();
    std::ofstream(bad) << "# fine\nnas1 topsecret\n";
    EXPECT_FALSE(dialog.load(QString::fromStdString(bad)));
    EXPECT_TRUE(dialog.problem()->text().contains("bad.txt:2: expected ADDRESS[/PREFIX] SECRET"));
    EXPECT_FALSE(dialog.problem()->text().contains("topsecret"));
    EXPECT_EQ(changes, 0);

    EXPECT_TRUE(dialog.load(sample("clients.conf")));
    EXPECT_TRUE(dialog.status()->text().startsWith("Secrets of 5 clients or networks from"));
    EXPECT_TRUE(checks.secretsLoaded());
    EXPECT_EQ(changes, 1);
}
