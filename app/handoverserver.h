#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QLocalSocket;

// The running copy's end of the hand-over: a later start connects to the
// single-instance socket, sends its addresses and waits for the answer.
// The addresses go out in UTF-8, each ended by a NUL, and an empty one ends
// the list; one byte answers that they were taken. A sender that gets no
// answer knows they were not, and tries again. After the list comes the
// desktop's activation token, ended by a NUL and empty when there is none:
// a copy that knows nothing of it answers at the list's end and never reads
// it, and a sender that sends none is taken without one after a short wait.
class HandOverServer {
public:
    // Gets the addresses of one whole hand-over; false refuses them (a copy
    // on its way out), and the sender hears so.
    using Taker = std::function<bool(const QStringList& addresses, const QString& activationToken)>;

    // What one hand-over may carry; anything longer is not a list of addresses.
    static constexpr qint64 kMaxBytes = 1 << 20;
    // Hand-overs open at once. A new one takes the place of the one idle
    // longest, so that connections that send nothing never turn a sender away.
    static constexpr int kMaxOpen = 16;
    // A connection still open after this long is no hand-over and is closed.
    static constexpr int kTimeoutMs = 5000;
    // How long a whole list waits for a token that may not come.
    static constexpr int kTokenWaitMs = 200;

    HandOverServer();
    ~HandOverServer();
    HandOverServer(const HandOverServer&) = delete;
    HandOverServer& operator=(const HandOverServer&) = delete;

    // Listens on the abstract socket name; false when another copy holds it.
    bool Listen(const QString& name);
    void SetTaker(Taker taker) { m_taker = std::move(taker); }

    // The sender's side: true only once the running copy said it took them.
    static bool Send(const QString& name, const QStringList& addresses, const QString& activationToken, int waitMs);

private:
    struct Connection;
    void Accept();
    void Read(Connection* c);
    void Take(Connection* c, const QString& activationToken);
    Connection* Find(QLocalSocket* socket) const;
    void Drop(QLocalSocket* socket);

    std::unique_ptr<QLocalServer> m_server;
    std::vector<std::unique_ptr<Connection>> m_open;
    // The receiver of every socket's signals: it goes first, so that sockets
    // the server deletes after it call into nothing.
    std::unique_ptr<QObject> m_context;
    Taker m_taker;
};
