#pragma once

#include <QByteArray>
#include <QString>

#include "sim/sim_link.h"

// One simulated COM port: a pseudo-terminal whose slave side is linked as comN in the ports
// folder, so the program opens it like a real adapter; or, offered, linked in the adapters
// folder, where the program's port inventory finds it and gives it a COM number itself.
class PtyLink : public SimLink {
  public:
    // linkPath: the link to make; offered: it is an adapters-folder entry.
    PtyLink(int number, QString linkPath, bool offered);
    ~PtyLink() override;
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    // Creates the pseudo-terminal and the link; throws std::runtime_error on failure.
    void create() override;
    // The adapter is unplugged: the pseudo-terminal goes away. A comN link stays, pointing
    // nowhere; an offered line leaves the adapters folder, as a USB adapter leaves
    // /dev/serial/by-id.
    void vanish() override;
    bool alive() const override { return master_ >= 0; }

    int number() const override { return number_; }
    void addPollFds(std::vector<pollfd>& fds) const override;
    QString linkPath() const { return linkPath_; }
    QString slavePath() const { return slavePath_; }
    QString address() const override { return linkPath_; }
    // The baud rate the program set on its side; 0 when it is none of the usual ones.
    int baud() const override;

    // Non-blocking; returns what was pending, empty when nothing was.
    QByteArray readAvailable() override;
    // Writes what the line takes now; returns how many bytes went out.
    int writeSome(const QByteArray& bytes) override;

  private:
    void closePty();

    int number_;
    QString linkPath_;
    bool offered_;
    int master_ = -1;
    int slave_ = -1;  // held open so the master never sees a hang-up between the program's opens
    QString slavePath_;
};
