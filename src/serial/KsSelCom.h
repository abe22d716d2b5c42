// The "Select Port" dialog: asks the user for a serial port when the com port is opened without
// one, listing only the ports present on the machine. Also the presence probe it uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace talvik {

// "\\.\COM%d" of n.
std::string ComNameFromNumber(std::uint16_t n);
// True when port n exists: it opens, or another program holds it.
bool IsPortAvailable(std::uint16_t n);
// The number in an entry such as "COM12" (its text from the fourth character); 0 when none.
std::uint16_t ComNumberFromEntry(const std::string& entry);
// "COM%d" for each present port among 1 to 50, in order.
std::vector<std::string> PresentPortEntries();

class TComSelectForm {
public:
    TComSelectForm();  // probes the ports
    // Shows the dialog modally; true when the user chose OK with a port selected.
    bool ShowModal();
    std::uint16_t SelectedComNumber() const;
    const std::vector<std::string>& Entries() const { return entries_; }

    // Internal: the dialog's state while it is shown.
    int Selected = 0;

private:
    std::vector<std::string> entries_;
};

// Shows the dialog; true and the chosen number when the user picked a port with OK.
bool SelectComPort(std::uint16_t& number);

}  // namespace talvik
