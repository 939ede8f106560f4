// Process-wide state of the device services shared by its source files.
#pragma once

#include "platform/device/hooks.h"
#include "platform/device/settings_db.h"

namespace wq::device::detail {

// The open settings databases (created on first use at the configured paths).
// Shared so a path change never pulls a database from under a running call.
std::shared_ptr<SettingsDb> FileSettings();
std::shared_ptr<SettingsDb> MemSettings();

// Writes one finished debug line to the sink or standard error when enabled.
void WriteDebugLine(const std::string& line);

// Hands an accepted settings write to the observer, if one is installed.
void NotifySettingsWrite(const SettingsWrite& write);

void Record(std::string name, std::vector<std::int64_t> args, CString text = {});
std::shared_ptr<CodecBackend> Codec();
std::shared_ptr<OutputBackend> Outputs();
MessageBoxImpl MessageBox();

}  // namespace wq::device::detail
