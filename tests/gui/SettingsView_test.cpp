// The settings view, the pop-up cell and Decode As as a user drives them: typing into
// fields and pressing Return, choosing menu items, clicking buttons, leaving a field;
// the store and the registry are checked afterwards.
#include "DecodeAsDialog.hpp"
#include "GuiHost.hpp"
#include "GuiTestSupport.hpp"
#include "PopUpCellWidget.hpp"
#include "SettingsViewWidget.hpp"
#include "TestSupport.hpp"
#include "ZEMNetworkProtocol.hpp"
#include "ZEMPortsController.hpp"
#include "ZEMUserDefaults.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QVBoxLayout>
#include <array>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

using gui_testing::host;

// A settings view on the stored defaults, shown as the host shows it.
std::unique_ptr<gui::SettingsViewWidget> openSettings() {
    auto widget = host().makeSettingsWidget();
    widget->view().resetProtocols(); // the two defaults, stored and registered
    widget->show();
    QApplication::processEvents();
    return widget;
}

QLineEdit* portsField(gui::SettingsViewWidget& widget, int row) {
    return widget.table()->cellWidget(row, 1)->findChild<QLineEdit*>("ports");
}

QLabel* errorLabel(gui::SettingsViewWidget& widget, int row) {
    return widget.table()->cellWidget(row, 1)->findChild<QLabel*>("error");
}

void submit(gui::SettingsViewWidget& widget, int row, const QString& ports) {
    gui_testing::typePorts(widget, row, ports);
}

void chooseFromMenu(QWidget* button, const QString& item) {
    auto* menu = qobject_cast<QPushButton*>(button)->menu();
    for (auto* action : menu->actions())
        if (action->text() == item)
            action->trigger();
    QApplication::processEvents();
}

std::string run(const std::string& arguments) {
    std::string command = std::string(RADIUS_ANALYZER_EXECUTABLE) + " --defaults-file " +
                          testing_support::standardStorePath() + " " + arguments + " 2>&1";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 512> chunk{};
        while (std::fgets(chunk.data(), chunk.size(), pipe))
            output += chunk.data();
        pclose(pipe);
    }
    return output;
}

} // namespace

TEST(SettingsView, ShowsTheControlsAndTheStoredRows) {
    auto widget = openSettings();
    EXPECT_EQ(widget->secretsBox()->text(), "Keep usernames and passwords private   ");
    EXPECT_EQ(widget->resolveBox()->text(), "Enable IP to DNS name resolution (may slow down)");
    EXPECT_EQ(widget->colorBox()->text(), "Use coloring in packet view");
    ASSERT_EQ(widget->table()->rowCount(), 2);
    EXPECT_EQ(qobject_cast<QPushButton*>(widget->table()->cellWidget(0, 0))->text(), "RADIUS");
    EXPECT_EQ(portsField(*widget, 0)->text(), "1645,1812");
    EXPECT_EQ(portsField(*widget, 0)->placeholderText(), "Protocol Ports");
    EXPECT_EQ(qobject_cast<QPushButton*>(widget->table()->cellWidget(1, 2))->text(), "UDP/TCP");
    EXPECT_TRUE(widget->okButton()->isEnabled());
    EXPECT_TRUE(widget->okButton()->font().bold());
    EXPECT_GE(widget->table()->minimumWidth(), 500);
    EXPECT_GE(widget->table()->minimumHeight(), 400);
}

TEST(SettingsView, ShownAgainItReadsTheStoredListSorted) {
    openSettings();
    auto& store = zem::ZEMUserDefaults::standardUserDefaults();
    const std::string key = "com_quillfern_zem_radius_protocols";
    const std::string stored =
        R"([{"id":"9B1DEB4D-3B7D-4BAD-9BDD-2B0D7B3DCB6D","protocolName":"RADIUSACCT",)"
        R"("protocolPorts":"1646,1813","sourceProtocol":100},)"
        R"({"id":"1B4E28BA-2FA1-11D2-883F-0016D3CCA427","protocolName":"",)"
        R"("protocolPorts":"1645,1812","sourceProtocol":17}])";
    ASSERT_TRUE(store.setObject(key, zem::ByteBuffer(stored.begin(), stored.end())));
    auto widget = host().makeSettingsWidget();
    widget->show();
    QApplication::processEvents();
    ASSERT_EQ(widget->table()->rowCount(), 2);
    EXPECT_EQ(qobject_cast<QPushButton*>(widget->table()->cellWidget(0, 0))->text(), "Select");
    EXPECT_EQ(portsField(*widget, 0)->text(), "1645,1812");
    EXPECT_EQ(qobject_cast<QPushButton*>(widget->table()->cellWidget(0, 2))->text(), "UDP");
    EXPECT_EQ(qobject_cast<QPushButton*>(widget->table()->cellWidget(1, 0))->text(), "RADIUSACCT");
}

TEST(SettingsView, SwitchesWriteTheStoreAtOnce) {
    auto widget = openSettings();
    auto& store = zem::ZEMUserDefaults::standardUserDefaults();
    struct Case {
        QCheckBox* box;
        const char* key;
    } cases[] = {{widget->secretsBox(), "com_quillfern_zem_radius_credentials_secret"},
                 {widget->resolveBox(), "com_quillfern_zem_radius_ip_resolve"},
                 {widget->colorBox(), "com_quillfern_zem_radius_color_use"}};
    for (const auto& c : cases) {
        const bool before = store.boolForKey(c.key);
        QTest::mouseClick(c.box, Qt::LeftButton, {}, QPoint(8, c.box->height() / 2));
        EXPECT_EQ(store.boolForKey(c.key), !before) << c.key;
        QTest::mouseClick(c.box, Qt::LeftButton, {}, QPoint(8, c.box->height() / 2));
        EXPECT_EQ(store.boolForKey(c.key), before) << c.key;
    }
}

TEST(SettingsView, AnEmptyPortsFieldMarksTheRowAndDisablesOk) {
    auto widget = openSettings();
    EXPECT_FALSE(errorLabel(*widget, 0)->isVisible());
    submit(*widget, 0, "");
    ASSERT_TRUE(errorLabel(*widget, 0)->isVisible());
    EXPECT_EQ(errorLabel(*widget, 0)->text(), "Error");
    EXPECT_FALSE(errorLabel(*widget, 0)->toolTip().isEmpty());
    EXPECT_FALSE(widget->okButton()->isEnabled());

    // A port that the other protocol claims is refused with its reason.
    submit(*widget, 0, "1813");
    ASSERT_TRUE(errorLabel(*widget, 0)->isVisible());
    EXPECT_TRUE(errorLabel(*widget, 0)->toolTip().contains("1813"))
        << errorLabel(*widget, 0)->toolTip().toStdString();

    submit(*widget, 0, "1812,18120");
    EXPECT_TRUE(widget->okButton()->isEnabled());
}

TEST(SettingsView, OkStoresThePortsForTheNextProcess) {
    auto widget = openSettings();
    QSignalSpy dismissed(widget.get(), &gui::SettingsViewWidget::dismissed);
    submit(*widget, 0, "1812,18120");
    chooseFromMenu(widget->table()->cellWidget(0, 2), "UDP");
    const int heard = host().changesHeard();
    QTest::mouseClick(widget->okButton(), Qt::LeftButton);
    EXPECT_EQ(dismissed.count(), 1);
    EXPECT_EQ(host().changesHeard(), heard + 2); // ports, then protocols
    bool listed18120 = false;
    for (const auto& protocol : host().plugIn().structure().plugInTargetProtocols)
        for (auto port : protocol.protocolPorts)
            listed18120 = listed18120 || port == 18120;
    EXPECT_TRUE(listed18120);
    const std::string listed = run("-G plugins");
    EXPECT_NE(listed.find("RADIUS\t1812,18120\tudp\n"), std::string::npos) << listed;

    // Reset asks first: declined, it changes nothing; confirmed, it brings back the
    // defaults, stored and registered.
    auto again = host().makeSettingsWidget(); // as stored, not reset first
    again->show();
    QApplication::processEvents();
    again->confirmReset = [] { return false; };
    QTest::mouseClick(again->resetButton(), Qt::LeftButton);
    EXPECT_NE(run("-G plugins").find("RADIUS\t1812,18120\tudp\n"), std::string::npos);
    again->confirmReset = [] { return true; };
    QTest::mouseClick(again->resetButton(), Qt::LeftButton);
    EXPECT_NE(run("-G plugins").find("RADIUS\t1645,1812\tudp/tcp\n"), std::string::npos);
}

TEST(SettingsView, ResetWithAnEmptyPortsFieldChangesNothing) {
    auto widget = openSettings();
    QSignalSpy dismissed(widget.get(), &gui::SettingsViewWidget::dismissed);
    submit(*widget, 1, "");
    widget->confirmReset = [] { return true; };
    QTest::mouseClick(widget->resetButton(), Qt::LeftButton);
    EXPECT_EQ(dismissed.count(), 0);
    EXPECT_TRUE(errorLabel(*widget, 1)->isVisible());
    EXPECT_EQ(widget->view().rowModel(1)->protocolPorts, "");
}

TEST(SettingsView, ChoosingANameReRegistersTheRow) {
    auto widget = openSettings();
    chooseFromMenu(widget->table()->cellWidget(1, 0), "RADIUS");
    EXPECT_EQ(widget->view().rowModel(1)->protocolName, "RADIUS");
    EXPECT_EQ(qobject_cast<QPushButton*>(widget->table()->cellWidget(1, 0))->text(), "RADIUS");
    chooseFromMenu(widget->table()->cellWidget(1, 0), "RADIUSACCT");
    EXPECT_EQ(widget->view().rowModel(1)->protocolName, "RADIUSACCT");
}

TEST(PopUpCell, LeavingTheFieldChecksThePortAgainstTheClaims) {
    openSettings(); // RADIUS 1645,1812 and RADIUSACCT 1646,1813 on UDP and TCP
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto& cell = *new gui::PopUpCellWidget;
    auto& other = *new QLineEdit;
    layout->addWidget(&cell);
    layout->addWidget(&other);
    ASSERT_TRUE(cell.hasCell());
    auto row = std::make_shared<zem::ZEMNetworkProtocol>(
        zem::ZEMUUID::random(), "RADIUS", "",
        static_cast<std::int64_t>(zem::kZEMSourceProtocols::udp));
    cell.display(row, {"RADIUS", "RADIUSACCT"});
    cell.field()->setText("1812");
    cell.cell().setTextFieldString("1812");
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    struct Case {
        const char* typed;
        bool leaves;
        bool red;
    } cases[] = {
        {"1812", true, false}, // unchanged: no question asked
        {"1813", false, true}, // RADIUSACCT claims it on UDP
        {"1700", true, false}, // free
        {"70000", false, false}, {"12a", false, false}, {"", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        cell.field()->setFocus();
        QApplication::processEvents();
        cell.field()->setText(c.typed);
        other.setFocus();
        QApplication::processEvents();
        QApplication::processEvents();
        EXPECT_EQ(!cell.field()->hasFocus(), c.leaves);
        const bool red = cell.field()->palette().color(QPalette::Text) == QColor(Qt::red);
        if (c.leaves || c.red) {
            EXPECT_EQ(red, c.red);
        }
        // Put the field back to a free port so that the next case starts from there.
        cell.field()->setText("1812");
        other.setFocus();
        QApplication::processEvents();
        QApplication::processEvents();
    }
    EXPECT_EQ(cell.popUp()->count(), 2);
    cell.prepareForReuse();
    EXPECT_EQ(cell.popUp()->count(), 0);
    EXPECT_EQ(cell.field()->text(), "");
    EXPECT_EQ(cell.cell().oldValue(), std::nullopt);
    EXPECT_EQ(cell.cell().bindingCount(), 0u);
}

TEST(DecodeAs, RulesAreWhatTheCommandLineTakes) {
    openSettings();
    auto dialog = host().makeDecodeAsDialog();
    dialog->addRule("RADIUS", zem::kZEMSourceProtocols::udp, "1700");
    dialog->addRule("RADIUSACCT", zem::kZEMSourceProtocols::tcp, "3799");
    dialog->addRule("RADIUS", zem::kZEMSourceProtocols::udp, ""); // incomplete: left out
    const auto rules = dialog->rules();
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[0].commandLine(), "udp.port==1700,RADIUS");
    EXPECT_EQ(rules[1].commandLine(), "tcp.port==3799,RADIUSACCT");
    gui::applyDecodeAs(rules);
    auto& ports = zem::ZEMPortsController::sharedPortsController();
    ASSERT_NE(ports.claimForPort(1700, zem::kZEMSourceProtocols::udp), nullptr);
    EXPECT_EQ(ports.claimForPort(1700, zem::kZEMSourceProtocols::tcp), nullptr);
    EXPECT_NE(ports.claimForPort(1700, zem::kZEMSourceProtocols::udp)->analyzerClass, nullptr);
}

TEST(DecodeAs, APortAnotherProtocolClaimsIsExplainedAndTaken) {
    openSettings();
    auto dialog = host().makeDecodeAsDialog();
    dialog->addRule("RADIUS", zem::kZEMSourceProtocols::udp, "1700");
    EXPECT_TRUE(dialog->note()->isHidden());
    dialog->addRule("RADIUS", zem::kZEMSourceProtocols::udp, "1813");
    ASSERT_FALSE(dialog->note()->isHidden());
    EXPECT_EQ(dialog->note()->text().toStdString(),
              "Port 1813/UDP is claimed by RADIUSACCT (shown red): this rule decodes it as "
              "RADIUS for this run, as -d does.");
    const auto rules = dialog->rules();
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[1].commandLine(), "udp.port==1813,RADIUS");
}
