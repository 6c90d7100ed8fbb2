// A pseudo-terminal pair for tests: the code under test opens the slave by its path, the test
// plays the device on the master end.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>

namespace corvantis::testing {

class PtyPair {
public:
    PtyPair() {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
        m_slavePath = name;
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        CloseMaster();
        if (m_slave >= 0) {
            ::close(m_slave);
        }
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return m_slavePath; }
    // The device's end, for tests that read and write it themselves (non-blocking).
    int Master() const { return m_master; }
    // The test's own handle on the slave, kept open so the pair lives until the test ends.
    int Slave() const { return m_slave; }

    // Sends `bytes` to the slave end, as a device sends characters to the PC.
    void Send(std::string_view bytes) {
        if (::write(m_master, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            throw std::runtime_error("write to the pty master failed");
        }
    }

    // Waits until the slave has characters to read (without reading them); false on timeout.
    bool WaitSlaveReadable(std::chrono::milliseconds timeout) const {
        pollfd watch{m_slave, POLLIN, 0};
        return ::poll(&watch, 1, static_cast<int>(timeout.count())) == 1;
    }

    // Reads what the slave side wrote until `count` bytes have come or `timeout` passes
    // without a new byte.
    std::string Receive(std::size_t count, std::chrono::milliseconds timeout) {
        std::string got;
        while (got.size() < count) {
            pollfd watch{m_master, POLLIN, 0};
            if (::poll(&watch, 1, static_cast<int>(timeout.count())) != 1) {
                break;
            }
            char buffer[256];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }

    // The other end goes away, as a pulled USB adapter does.
    void CloseMaster() {
        if (m_master >= 0) {
            ::close(m_master);
            m_master = -1;
        }
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

}  // namespace corvantis::testing
