// TlsFrameSummary: a TLS frame's summary line and detail node, from what its records
// turned out to be, in the words tshark's Info column uses ("Client Hello", "Server
// Hello, Certificate, Server Hello Done", "Change Cipher Spec, Encrypted Handshake
// Message", "Alert (Level: Fatal, Description: Unknown CA)", "Application Data").
#pragma once

#include "TlsConnection.hpp"
#include "ZEMNode.hpp"

#include <memory>
#include <span>
#include <string>

namespace capture {

std::string tlsFrameInfo(std::span<const TlsRecordEvent> events);

/// One line per event under `layer` (the frame's Transport Layer Security node).
void addTlsRecordEvents(zem::ZEMNode& layer, std::span<const TlsRecordEvent> events);

/// Whether a frame's records need a line of their own: not when they are all application
/// data that carried a RADIUS message, which has its own line.
bool tlsFrameShown(std::span<const TlsRecordEvent> events, bool carriedMessage);

} // namespace capture
