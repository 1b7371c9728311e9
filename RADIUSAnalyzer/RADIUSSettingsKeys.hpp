// The user-defaults keys of the plug-in's five settings.
#pragma once

#include <string_view>

namespace radius {

/// The stored protocol list (JSON octets).
inline constexpr std::string_view kRADIUSPlugInNetworkProtocol =
    "com_quillfern_zem_radius_protocols";
/// Colour RADIUS packets in the packet view.
inline constexpr std::string_view kRADIUSUsesColor = "com_quillfern_zem_radius_color_use";
/// The packet colour, in the host's colour text form.
inline constexpr std::string_view kRADIUSColor = "com_quillfern_zem_radius_color";
/// Show user names and some tunnel identifiers as octets instead of text.
inline constexpr std::string_view kRADIUSSecretCredentials =
    "com_quillfern_zem_radius_credentials_secret";
/// Add host names to IPv4 addresses.
inline constexpr std::string_view kRADIUSResolveIP = "com_quillfern_zem_radius_ip_resolve";

} // namespace radius
