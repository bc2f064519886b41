#pragma once
// A port that does not open, in words: the system's reason with the fix,
// and what doctor finds wrong with it, for one line beside the port.
#include <string>

struct CDoctorSeams;
struct COpenFailure;

// What a front end says about a port that did not open, after its own
// message: the reason, and for a want of permission the fix; empty when it
// opened.
std::string OpenFailureText(const COpenFailure& failure, const std::string& device);

// Why the port `device` does not open, in one line: the brief reasons of
// the problems that doctor's survey finds on it and on the machine
// ("held by process 1234 (minicom); ModemManager probes it"); empty when
// it finds none. Never opens the device.
std::string PortTrouble(const std::string& device, const CDoctorSeams& seams);
