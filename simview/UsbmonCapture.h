#pragma once
// Transfers saved as a Linux usbmon capture (pcap, link type
// DLT_USB_LINUX_MMAPPED) that Wireshark and tshark open: each control
// transfer is a submission record carrying the setup packet (and the data
// sent) and a completion record carrying the status (and the data received).
#include "TransferLog.h"

#include <QString>
#include <deque>

// False, with the reason in error, when the file cannot be written.
bool SaveUsbmonCapture(const std::deque<sim::TransferRecord> &records, int busnum, int devnum, const QString &fileName,
                       QString &error);
