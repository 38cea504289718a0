// A pseudo-terminal pair standing in for a serial device in tests: the slave
// path is what the code under test opens, the master end is the far side of
// the line that the test writes and reads.
#pragma once

#include <cstddef>
#include <string>

namespace tessaline::testing {

class PtyPair
{
public:
    PtyPair();  // fails the current test (ADD_FAILURE) if no pty can be had
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return m_slavePath; }
    int MasterFd() const { return m_master; }

    // Writes every byte to the master end (blocks while the pty is full).
    bool Write(const void* data, std::size_t length);
    bool Write(const std::string& text) { return Write(text.data(), text.size()); }

    // Reads from the master end until `length` bytes came or `timeoutMs`
    // passed; returns what came.
    std::string Read(std::size_t length, int timeoutMs);

    // Closes the master end: to the slave this is an unplugged device.
    void CloseMaster();

    // Stops the line's output toward the master end, as a device that
    // holds output back (XOFF, CTS low) does, or lets it go on.
    bool HoldOutput(bool held);

private:
    int m_master = -1;
    int m_slave = -1;  // held so the line stays set up between opens
    std::string m_slavePath;
};

// Process-wide resource counts, for leak checks.
std::size_t OpenFdCount();
std::size_t ThreadCount();
// CPU time (user + system) this process has used, in microseconds.
long long ProcessCpuMicroseconds();

}  // namespace tessaline::testing
