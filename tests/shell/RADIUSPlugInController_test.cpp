#include "NetworkPortsValidator.hpp"
#include "PluginPortsSettingsView.hpp"
#include "RADIUSPlugInController.hpp"
#include "RADIUSProtocolList.hpp"
#include "RADIUSSettingsDefaults.hpp"
#include "RADIUSSettingsKeys.hpp"
#include "TestSupport.hpp"
#include "ZEMError.hpp"
#include "ZEMNotificationCenter.hpp"
#include "ZEMPlugInsController.hpp"
#include "ZEMPortsController.hpp"

#include <gtest/gtest.h>

using radius::PluginPortsSettingsView;
using radius::RADIUSPlugInController;
using zem::PropertyList;
using zem::ZEMError;

namespace {

zem::ZEMUserDefaults& store() {
    return zem::ZEMUserDefaults::standardUserDefaults();
}

std::string storedJson() {
    auto data = store().dataForKey(radius::kRADIUSPlugInNetworkProtocol);
    return data ? std::string(data->begin(), data->end()) : std::string();
}

std::vector<std::string> registeredPorts() {
    std::vector<std::string> out;
    for (const auto& s : zem::ZEMPlugInsController::sharedManager().registeredPlugIns())
        for (const auto& p : s.plugInTargetProtocols) {
            std::string line =
                p.protocolName + " " + std::string(zem::sourceProtocolName(p.sourceProtocol));
            for (auto port : p.protocolPorts) {
                line += ' ';
                line += std::to_string(port);
            }
            out.push_back(line);
        }
    return out;
}

class Controller : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::clearStandardStore();
        zem::ZEMPlugInsController::sharedManager().removeAll();
        for (const auto& d : radius::defaultNetworkProtocols()) {
            d->protocolName = d == radius::defaultNetworkProtocols()[0] ? "RADIUS" : "RADIUSACCT";
            d->protocolPorts =
                d == radius::defaultNetworkProtocols()[0] ? "1645,1812" : "1646,1813";
            d->sourceProtocol = 100;
            d->commitRegisteredState();
        }
    }
    zem::ZEMAnyView heldView;
    std::shared_ptr<PluginPortsSettingsView> openView(RADIUSPlugInController& controller) {
        heldView = controller.settingsView({[] { return zem::ZEMSize{}; }, [](zem::ZEMSize) {}});
        auto table = std::any_cast<std::shared_ptr<zem::ZEMProtocolTableView>>(heldView.view);
        auto settings = std::dynamic_pointer_cast<PluginPortsSettingsView>(table);
        try {
            settings->decodeProtocolsFromUserDefaults();
        } catch (const std::exception&) {
        }
        return settings;
    }
};

} // namespace

TEST_F(Controller, FreshStoreRegistersAndStoresTheDefaults) {
    RADIUSPlugInController controller;
    EXPECT_FALSE(controller.usesColor());
    EXPECT_FALSE(store().boolForKey(radius::kRADIUSSecretCredentials));
    EXPECT_TRUE(store().objectForKey(radius::kRADIUSResolveIP).has_value());
    EXPECT_TRUE(
        zem::ZEMColor::fromRawValue(*store().stringForKey(radius::kRADIUSColor)).has_value());
    EXPECT_EQ(registeredPorts(), (std::vector<std::string>{"RADIUS udp/tcp 1645 1812",
                                                           "RADIUSACCT udp/tcp 1646 1813"}));
    EXPECT_NE(storedJson().find("\"protocolPorts\":\"1645,1812\""), std::string::npos);
    ASSERT_TRUE(controller.plugInStructure().has_value());
    const auto& s = *controller.plugInStructure();
    EXPECT_EQ(s.plugInTitle, "RADIUS Analyzer");
    EXPECT_EQ(s.plugInVersion, RADIUSPlugInController::pluginVersion());
    EXPECT_EQ(s.plugInAnalyzerAttributes.size(), 8u);
    EXPECT_EQ(s.plugInAnalyzerAttributes[1].attributeKey, "radiusCode");
    ASSERT_EQ(s.plugInColumnKeyBindings.size(), 4u);
    EXPECT_EQ(s.plugInColumnKeyBindings[0].predicateOptions.size(), 5u);
    EXPECT_FALSE(controller.preferencesSheet().has_value());
}

TEST_F(Controller, EveryRegistrationHasANewId) {
    RADIUSPlugInController first;
    RADIUSPlugInController second;
    EXPECT_NE(first.plugInStructure()->id, second.plugInStructure()->id);
}

TEST_F(Controller, UnusableStoredListsFallBackToTheDefaults) {
    for (PropertyList stored : {PropertyList("not data"), PropertyList(zem::ByteBuffer{'[', ']'}),
                                PropertyList(zem::ByteBuffer{'{', 'x'})}) {
        SetUp();
        store().setObject(radius::kRADIUSPlugInNetworkProtocol, stored);
        RADIUSPlugInController controller;
        EXPECT_EQ(controller.pluginProtocolsAndPorts().size(), 2u);
        EXPECT_EQ(controller.pluginProtocolsAndPorts()[0].get(),
                  radius::defaultNetworkProtocols()[0].get());
        EXPECT_NE(storedJson().find("RADIUSACCT"), std::string::npos);
    }
}

TEST_F(Controller, StoredValuesSurvive) {
    store().setBool(radius::kRADIUSUsesColor, true);
    store().setObject(radius::kRADIUSColor, PropertyList(std::int64_t{5})); // not a string
    RADIUSPlugInController controller;
    EXPECT_TRUE(controller.usesColor());
    EXPECT_TRUE(store().stringForKey(radius::kRADIUSColor).has_value());
}

TEST_F(Controller, UnreadableColourIsReplacedOnce) {
    RADIUSPlugInController controller;
    store().setObject(radius::kRADIUSColor, PropertyList("no colour"));
    auto first = controller.protocolColor();
    auto second = controller.protocolColor();
    EXPECT_EQ(first, second);
    EXPECT_EQ(store().stringForKey(radius::kRADIUSColor), first.rawValue());
}

TEST_F(Controller, UpdateRegisteredProtocol) {
    RADIUSPlugInController controller;
    auto record = controller.pluginProtocolsAndPorts()[0];
    record->protocolPorts = "";
    EXPECT_THROW(
        try { controller.updateRegisteredProtocol(*record, *record); } catch (const ZEMError& e) {
            EXPECT_EQ(e.position(), 3u);
            throw;
        },
        ZEMError);
    EXPECT_EQ(registeredPorts()[0], "RADIUS udp/tcp 1645 1812"); // nothing changed

    record->protocolPorts = "1812,18120";
    record->sourceProtocol = static_cast<std::int64_t>(zem::kZEMSourceProtocols::udp);
    controller.updateRegisteredProtocol(*record, *record);
    EXPECT_EQ(registeredPorts(),
              (std::vector<std::string>{"RADIUSACCT udp/tcp 1646 1813", "RADIUS udp 1812 18120"}));
    EXPECT_EQ(record->lastRegisteredPorts, "1812,18120");
    EXPECT_EQ(record->lastRegisteredSource, record->sourceProtocol);
    EXPECT_EQ(*zem::ZEMPortsController::sharedPortsController().analyzerProtocolForPort(
                  18120, zem::kZEMSourceProtocols::udp),
              "RADIUS");

    // The ports controller no longer knows the old claims: registered but not removed.
    zem::ZEMPlugInNetworkProtocol stale = radius::plugInNetworkProtocol(*record);
    zem::ZEMPortsController::sharedPortsController().removeAnalyzerProtocolFrom(stale);
    EXPECT_THROW(
        try { controller.updateRegisteredProtocol(*record, *record); } catch (const ZEMError& e) {
            EXPECT_EQ(e.position(), 2u);
            throw;
        },
        ZEMError);
}

TEST_F(Controller, ColumnPredicates) {
    RADIUSPlugInController controller;
    const auto& columns = controller.plugInStructure()->plugInColumnKeyBindings;
    auto format =
        std::get<std::string>(columns[1].predicateOptions.at("NSPredicateFormatBindingOption"));
    EXPECT_EQ(format, "radiusIdentifier.description CONTAINS $value");
    EXPECT_EQ(std::get<std::string>(columns[0].predicateOptions.at("NSDisplayNameBindingOption")),
              "RADIUS Code contains");
    EXPECT_EQ(std::get<zem::ZEMValueType>(columns[1].predicateOptions.at(
                  std::string(zem::rawValue(zem::konstantAtPosition(2))))),
              zem::ZEMValueType::number);
}

TEST_F(Controller, RandomHueCoversTheClosedInterval) {
    for (int i = 0; i < 1000; ++i) {
        double hue = radius::randomHue();
        ASSERT_GE(hue, 0.0);
        ASSERT_LE(hue, 1.0);
    }
}

TEST_F(Controller, SettingsViewSortsTheStoredList) {
    RADIUSPlugInController controller;
    auto list = radius::defaultNetworkProtocols();
    zem::ZEMNetworkProtocolList reversed = {list[1], list[0]};
    radius::storeProtocols(store(), reversed, "test", "test");
    auto view = openView(controller);
    ASSERT_EQ(view->portsDataSource().size(), 2u);
    EXPECT_EQ(view->portsDataSource()[0].model->protocolName, "RADIUS");
    EXPECT_EQ(PluginPortsSettingsView::sourceProtocolTitle(100), "UDP/TCP");
    EXPECT_EQ(PluginPortsSettingsView::sourceProtocolTitle(6), "TCP");
    EXPECT_EQ(PluginPortsSettingsView::sourceProtocolTitle(17), "UDP");
    EXPECT_EQ(PluginPortsSettingsView::sourceProtocolTitle(0), "None");
    EXPECT_EQ(PluginPortsSettingsView::sourceProtocolTitle(3), "None");
    zem::ZEMNetworkProtocol unnamed(zem::ZEMUUID::random(), "", "1", 100);
    EXPECT_EQ(PluginPortsSettingsView::nameTitle(unnamed), "Select");
}

TEST_F(Controller, SubmitPortsErrorsDisableOk) {
    RADIUSPlugInController controller;
    auto view = openView(controller);
    view->submitPorts(0, "");
    EXPECT_TRUE(view->viewHasErrors());
    EXPECT_EQ(view->portsDataSource()[0].model->errorModel.errorState().errorText, "Error");
    EXPECT_EQ(view->portsDataSource()[0].model->errorModel.errorState().errorDetails->position(),
              9u);
    view->submitPorts(0, "1813"); // claimed by RADIUSACCT
    EXPECT_TRUE(view->viewHasErrors());
    view->submitPorts(0, "99999");
    EXPECT_TRUE(view->viewHasErrors());
    view->submitPorts(0, " 1812 , 18120");
    EXPECT_FALSE(view->viewHasErrors());
    EXPECT_EQ(view->portsDataSource()[0].model->protocolPorts, "1812,18120");
    EXPECT_EQ(registeredPorts()[1], "RADIUS udp/tcp 1812 18120");
}

TEST_F(Controller, OkStoresPostsAndCloses) {
    RADIUSPlugInController controller;
    auto view = openView(controller);
    std::vector<std::string> posted;
    auto& center = zem::ZEMNotificationCenter::defaultCenter();
    auto a = center.addObserver(std::string(zem::rawValue(zem::konstantAtPosition(9))),
                                [&](std::string_view n) { posted.emplace_back(n); });
    auto b = center.addObserver(std::string(zem::rawValue(zem::konstantAtPosition(3))),
                                [&](std::string_view n) { posted.emplace_back(n); });
    bool dismissed = false;
    view->dismiss = [&] { dismissed = true; };
    view->chooseSource(1, zem::kZEMSourceProtocols::tcp);
    view->encodeProtocolPorts();
    EXPECT_TRUE(dismissed);
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0], zem::rawValue(zem::konstantAtPosition(9)));
    EXPECT_NE(storedJson().find("\"sourceProtocol\":6"), std::string::npos);
    center.removeObserver(a);
    center.removeObserver(b);
}

TEST_F(Controller, OkAndResetDoNothingWithAnEmptyPortList) {
    RADIUSPlugInController controller;
    auto view = openView(controller);
    std::string before = storedJson();
    bool dismissed = false;
    view->dismiss = [&] { dismissed = true; };
    view->portsDataSource()[0].model->protocolPorts = "";
    view->encodeProtocolPorts();
    view->resetProtocols();
    EXPECT_FALSE(dismissed);
    EXPECT_EQ(storedJson(), before);
}

TEST_F(Controller, ResetBringsBackTheDefaults) {
    RADIUSPlugInController controller;
    auto view = openView(controller);
    view->submitPorts(0, "1812,18120");
    view->chooseName(1, "RADIUSACCT");
    view->resetProtocols();
    EXPECT_EQ(registeredPorts(), (std::vector<std::string>{"RADIUS udp/tcp 1645 1812",
                                                           "RADIUSACCT udp/tcp 1646 1813"}));
    EXPECT_NE(storedJson().find("1645,1812"), std::string::npos);
    EXPECT_EQ(view->portsDataSource()[0].model.get(), radius::defaultNetworkProtocols()[0].get());
}

TEST(NetworkPortsValidator, NormalisesAndRefuses) {
    zem::ZEMPlugInsController::sharedManager().removeAll();
    zem::ZEMNetworkProtocol record(zem::ZEMUUID::random(), "X", "", 17);
    EXPECT_EQ(zem::NetworkPortsValidator::validate(record, " 1 , 65535 "), "1,65535");
    EXPECT_EQ(zem::NetworkPortsValidator::validate(record, "+80"), "80");
    for (const char* bad : {"", " ", "0", "65536", "1,,2", "1,", "a", "1 2", "-1", "1,1"}) {
        EXPECT_THROW(zem::NetworkPortsValidator::validate(record, bad), ZEMError) << bad;
    }
    try {
        zem::NetworkPortsValidator::validate(record, "12x");
    } catch (const ZEMError& e) {
        EXPECT_EQ(std::string(e.what()), "\"12x\" is not a port number");
    }
}
