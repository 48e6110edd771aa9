// The facts of this machine and program as the system gives them: the adapter address, the
// user's decimal separator; the companion library's digest and the units are the ones the
// main window holds.
#pragma once

#include "net/exchange.h"

#include <windows.h>

namespace win32 {

class SystemMachineFacts : public MachineFacts {
  public:
    // `program_digest` and `metric_units` are read at each call: the main window's own.
    SystemMachineFacts(const std::string& program_digest, const bool& metric_units)
        : program_digest_(program_digest), metric_units_(metric_units) {}

    // AdresseMAC(), worked out once per run.
    std::string MachineIdentity() override;
    std::string ProgramDigest() override { return program_digest_; }
    bool MetricUnits() override { return metric_units_; }
    // The user's decimal separator (LOCALE_SDECIMAL), "." when it cannot be read.
    std::wstring DecimalSeparator() override;

  private:
    const std::string& program_digest_;
    const bool& metric_units_;
    std::string identity_;
};

} // namespace win32
