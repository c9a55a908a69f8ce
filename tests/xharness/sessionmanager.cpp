// test_session_manager: an X11R6 session manager of the tests' own (XSMP server side, libSM and
// libICE), driving a client through a checkpoint, a cancelled logout and a logout. Not a GoogleTest
// program: the end-to-end tests start it, put its SESSION_MANAGER line into the client's
// environment, and command it line by line on stdin.
//
// stdin commands (one per line): checkpoint | logout-cancel | logout | quit.
// stdout lines (each flushed): SESSION_MANAGER=<ids>, registered <id>, checkpoint done, cancelled,
// die sent, closed <id>, all closed, timeout. Diagnostics go to stderr.
// It listens on the local (unix) transports only and accepts every local peer (ICE host-based
// auth), so it needs no ICEauthority entry and writes none. It exits 0 on quit, at the end of
// stdin and on SIGTERM. A wait that times out prints "timeout" and the command goes on.

#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

// Exported by libICE (its Xtrans copy); session managers call it to keep off TCP.
extern "C" int _IceTransNoListen(const char *protocol);

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
constexpr auto kWaitLimit = 20s; // longest wait for the clients' answers

// Writes one protocol line to stdout at once.
void Say(const std::string &line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// One accepted ICE connection; an XSMP client once sms is set, a registered one once id is.
struct Client {
    IceConn ice;
    SmsConn sms = nullptr;
    std::string id{};         // set once registered
    bool saving = false;      // sent SaveYourself, no SaveYourselfDone yet
    bool wantsPhase2 = false; // sent SaveYourselfPhase2Request, not granted yet
    bool closed = false;      // connection released; Sweep() forgets it

    bool Registered() const { return !id.empty() && !closed; }
    static Client &Of(SmPointer data) { return *static_cast<Client *>(data); }
};

struct Manager {
    IceListenObj *listeners = nullptr;
    int listenerCount = 0;
    std::list<Client> clients; // stable for the callbacks' pointers; closed ones until Sweep()
    int signalFd = -1;         // SIGTERM, blocked and read through this descriptor
    bool stop = false;
    std::string input; // stdin bytes after the last whole line

    // Releases the client's connection (at most once); Sweep() then reports and forgets it.
    static void Drop(Client &c) {
        if (c.closed)
            return;
        c.closed = true;
        if (c.sms)
            SmsCleanUp(c.sms);
        IceSetShutdownNegotiation(c.ice, False);
        IceCloseConnection(c.ice);
    }

    void Sweep() {
        std::erase_if(clients, [](const Client &c) {
            if (c.closed && !c.id.empty())
                Say("closed " + c.id);
            return c.closed;
        });
    }

    // Accepts one connection with the usual libICE pattern: process messages while pending.
    void Accept(IceListenObj listener) {
        IceAcceptStatus status;
        IceConn ice = IceAcceptConnection(listener, &status);
        if (!ice)
            return;
        Client &c = clients.emplace_back(Client{.ice = ice});
        while (IceConnectionStatus(ice) == IceConnectPending)
            if (IceProcessMessages(ice, nullptr, nullptr) == IceProcessMessagesIOError)
                break;
        if (IceConnectionStatus(ice) != IceConnectAccepted)
            Drop(c);
    }

    // Waits for ICE traffic, new connections and signals (and stdin if withInput) for up to
    // timeoutMs (-1: no limit) and handles them; stdin lines run as commands, so last.
    void Pump(int timeoutMs, bool withInput) {
        std::vector<pollfd> fds{{signalFd, POLLIN, 0}, {withInput ? 0 : -1, POLLIN, 0}};
        for (int i = 0; i < listenerCount; ++i)
            fds.push_back({IceGetListenConnectionNumber(listeners[i]), POLLIN, 0});
        std::vector<Client *> polled;
        for (Client &c : clients) {
            fds.push_back({IceConnectionNumber(c.ice), POLLIN, 0});
            polled.push_back(&c);
        }
        if (poll(fds.data(), fds.size(), timeoutMs) <= 0)
            return;
        if (fds[0].revents) {
            stop = true;
            return;
        }
        for (std::size_t i = 0; i < polled.size(); ++i)
            if (fds[2 + listenerCount + i].revents && !polled[i]->closed &&
                IceProcessMessages(polled[i]->ice, nullptr, nullptr) == IceProcessMessagesIOError)
                Drop(*polled[i]);
        for (int i = 0; i < listenerCount; ++i)
            if (fds[2 + i].revents)
                Accept(listeners[i]);
        Sweep();
        if (fds[1].revents)
            ReadInput();
    }

    // Pumps until done() holds (returns true), or a signal comes or kWaitLimit passes (then
    // prints "timeout"); stdin is not read meanwhile.
    bool WaitUntil(const std::function<bool()> &done) {
        const auto deadline = Clock::now() + kWaitLimit;
        while (!stop && !done()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left <= 0ms) {
                Say("timeout");
                return false;
            }
            Pump(static_cast<int>(left.count()), false);
        }
        return !stop;
    }

    // Sends SaveYourself(Both) to every registered client and waits for all SaveYourselfDone,
    // granting phase 2 once every client still saving has asked for it (the XSMP order).
    void SaveAll(Bool shutdown, int interactStyle) {
        for (Client &c : clients)
            if (c.Registered()) {
                c.saving = true;
                SmsSaveYourself(c.sms, SmSaveBoth, shutdown, interactStyle, False);
            }
        WaitUntil([this] {
            int saving = 0, waiting = 0;
            for (const Client &c : clients) {
                saving += c.saving;
                waiting += c.wantsPhase2;
            }
            for (Client &c : clients)
                if (saving == waiting && std::exchange(c.wantsPhase2, false))
                    SmsSaveYourselfPhase2(c.sms);
            return saving == 0;
        });
    }

    // Ends a save round unless a signal stopped it: finish() on every registered client, then
    // prints report.
    void Finish(void (*finish)(SmsConn), const char *report) {
        if (stop)
            return;
        for (Client &c : clients)
            if (c.Registered())
                finish(c.sms);
        Say(report);
    }

    void Command(const std::string &line) {
        if (line == "checkpoint") {
            SaveAll(False, SmInteractStyleNone);
            Finish(SmsSaveComplete, "checkpoint done");
        } else if (line == "logout-cancel") {
            SaveAll(True, SmInteractStyleAny);
            Finish(SmsShutdownCancelled, "cancelled");
        } else if (line == "logout") {
            SaveAll(True, SmInteractStyleAny);
            Finish(SmsDie, "die sent");
            if (WaitUntil([this] { return std::ranges::none_of(clients, &Client::Registered); }))
                Say("all closed");
        } else if (line == "quit") {
            stop = true;
        } else if (!line.empty()) {
            std::fprintf(stderr, "test_session_manager: unknown command '%s'\n", line.c_str());
        }
    }

    // Reads what stdin has and runs its whole lines; the end of stdin stops the manager.
    void ReadInput() {
        char buffer[512];
        const ssize_t n = read(0, buffer, sizeof buffer);
        if (n <= 0) {
            stop = true;
            return;
        }
        input.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; !stop && (end = input.find('\n')) != std::string::npos;) {
            std::string line = input.substr(0, end);
            input.erase(0, end + 1);
            Command(line);
        }
    }
};

// Registers every client; a previous id is accepted as it is (a test may restart a client).
Status RegisterClient(SmsConn sms, SmPointer data, char *previousId) {
    Client &c = Client::Of(data);
    char *id = previousId ? previousId : SmsGenerateClientID(sms); // malloc'd or null
    c.id = id ? id : "client-" + std::to_string(IceConnectionNumber(c.ice));
    std::free(id);
    SmsRegisterClientReply(sms, c.id.data());
    Say("registered " + c.id);
    return 1; // no SaveYourself after registering: it would make a Qt client save its state
}

// Fills in the XSMP callbacks of a new client, each getting its Client as manager_data.
Status NewClient(SmsConn sms, SmPointer data, unsigned long *mask, SmsCallbacks *cb,
                 char **failure) {
    auto &clients = static_cast<Manager *>(data)->clients;
    const auto it = std::find_if(clients.begin(), clients.end(), [&](const Client &c) {
        return c.ice == SmsGetIceConnection(sms);
    });
    if (it == clients.end()) {
        *failure = strdup("unknown ICE connection");
        return 0;
    }
    it->sms = sms;
    SmPointer c = &*it;
    *mask = (1UL << 10) - 1; // all ten Sms*ProcMask bits
    cb->register_client = {RegisterClient, c};
    cb->interact_request = {[](SmsConn s, SmPointer, int) { SmsInteract(s); }, c};
    cb->interact_done = {[](SmsConn, SmPointer, Bool) {}, c};
    cb->save_yourself_request = {[](SmsConn, SmPointer, int, Bool, int, Bool, Bool) {}, c};
    cb->save_yourself_phase2_request = {
        [](SmsConn, SmPointer d) { Client::Of(d).wantsPhase2 = true; }, c};
    cb->save_yourself_done = {[](SmsConn, SmPointer d, Bool) {
                                  Client::Of(d).saving = Client::Of(d).wantsPhase2 = false;
                              },
                              c};
    // The callbacks own what libSM passes them; SmFreeReasons frees any malloc'd string array.
    cb->close_connection = {[](SmsConn, SmPointer d, int n, char **reasons) {
                                SmFreeReasons(n, reasons);
                                Manager::Drop(Client::Of(d));
                            },
                            c};
    cb->set_properties = {[](SmsConn, SmPointer, int n, SmProp **props) {
                              std::for_each(props, props + n, SmFreeProperty);
                              std::free(props);
                          },
                          c};
    cb->delete_properties = {
        [](SmsConn, SmPointer, int n, char **names) { SmFreeReasons(n, names); }, c};
    cb->get_properties = {[](SmsConn s, SmPointer) { SmsReturnProperties(s, 0, nullptr); }, c};
    return 1;
}

} // namespace

int main() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    signal(SIGPIPE, SIG_IGN); // a vanished client must not kill the manager

    Manager manager;
    manager.signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
    // libICE's default handler exit()s when a client vanishes; Pump() drops the client instead.
    IceSetIOErrorHandler([](IceConn) {});

    char error[256] = "";
    _IceTransNoListen("tcp");
    if (!SmsInitialize(
            const_cast<char *>("varadadid-tests"), const_cast<char *>("1.0"), NewClient, &manager,
            [](char *) -> Bool { return True; }, sizeof error, error) ||
        !IceListenForConnections(&manager.listenerCount, &manager.listeners, sizeof error, error)) {
        std::fprintf(stderr, "test_session_manager: %s\n", error);
        return 1;
    }
    for (int i = 0; i < manager.listenerCount; ++i) // no auth data: accept local peers as hosts
        IceSetHostBasedAuthProc(manager.listeners[i], [](char *) -> Bool { return True; });
    char *ids = IceComposeNetworkIdList(manager.listenerCount, manager.listeners);
    Say(std::string("SESSION_MANAGER=") + ids);
    std::free(ids);

    while (!manager.stop)
        manager.Pump(-1, true);
    for (Client &c : manager.clients)
        Manager::Drop(c);
    IceFreeListenObjs(manager.listenerCount, manager.listeners); // removes its socket file
    return 0;
}
