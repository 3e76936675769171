// kestro_loader_peer: a stand-in for the Kestro Loader. It speaks the loader
// side of the tools' protocol on 127.0.0.1 (the first free port of 3149,
// 25981, 6837), keeps the loader's dir, file, auto, online, state and
// readable, and writes the log records it receives. Options script the
// faults that the tools must survive.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int PORTS[] = {3149, 25981, 6837};

struct Options {
  std::string version = "1.57";
  std::string greeting;  // whole greeting line, overrides the version
  bool no_greeting = false;
  int busy = 0;          // status replies that report a busy loader
  int busy_from = 0;     // every status reply from this one (1 = the first) on is busy
  int status_replies = 0;
  std::vector<std::string> refuse;  // command prefixes answered with an error
  int slow_ms = 0;
  bool close_mid_reply = false;
  bool split = false;
  bool crlf = false;
  int idle_exit_s = 0;
  int listen_delay_ms = 0;
  std::string missing;   // a status key left out of every reply
  std::string log_path, transcript_path;
};

struct Loader {
  std::string dir, file;
  int automatic = 0, online = 0, state = 0;
  unsigned online_count = 0, offline_count = 0;
};

struct Client {
  int fd;
  std::string in;
  long pending_records = 0;  // records of a log batch still to come
};

struct PeerState {
  Options opt;
  Loader loader;
  FILE* log = stdout;
  FILE* transcript = nullptr;
  std::vector<Client> clients;
  long long last_activity_ms = 0;
};

PeerState peer;

long long now_ms() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

bool readable() {
  struct stat st {};
  std::string path = peer.loader.dir + peer.loader.file;
  return !peer.loader.file.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void note(const std::string& text) {
  if (!peer.transcript) return;
  std::fwrite(text.data(), 1, text.size(), peer.transcript);
  std::fflush(peer.transcript);
}

void send_text(int fd, const std::string& text) {
  if (!peer.opt.split || text.size() < 2) {
    send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    return;
  }
  size_t half = text.size() / 2;
  send(fd, text.data(), half, MSG_NOSIGNAL);
  usleep(50000);
  send(fd, text.data() + half, text.size() - half, MSG_NOSIGNAL);
}

std::string line(const std::string& text) { return text + (peer.opt.crlf ? "\r\n" : "\n"); }

void reply(int fd, const std::string& text) {
  if (peer.opt.slow_ms) usleep(static_cast<useconds_t>(peer.opt.slow_ms) * 1000);
  send_text(fd, line(text));
}

// Returns false when the connection is to be closed.
bool answer_status(int fd) {
  if (peer.opt.slow_ms) usleep(static_cast<useconds_t>(peer.opt.slow_ms) * 1000);
  int state = peer.loader.state;
  ++peer.opt.status_replies;
  if (peer.opt.busy_from > 0 && peer.opt.status_replies >= peer.opt.busy_from) state = 2;
  if (peer.opt.busy > 0) {
    --peer.opt.busy;
    state = 2;
  }
  const std::pair<const char*, std::string> fields[] = {
      {"readable", "readable:" + std::to_string(readable() ? 1 : 0)},
      {"auto", "auto:" + std::to_string(peer.loader.automatic)},
      {"online", "online:" + std::to_string(peer.loader.online)},
      {"online_count", "online_count:" + std::to_string(peer.loader.online_count)},
      {"offline_count", "offline_count:" + std::to_string(peer.loader.offline_count)},
      {"state", "state:" + std::to_string(state)},
      {"dir", "dir:" + peer.loader.dir},
      {"file", "file:" + peer.loader.file},
  };
  std::string text;
  for (const auto& [key, value] : fields)
    if (peer.opt.missing != key) text += line(value);
  text += line("EOT");
  if (peer.opt.close_mid_reply) {
    send(fd, text.data(), text.size() / 2, MSG_NOSIGNAL);
    return false;
  }
  send_text(fd, text);
  return true;
}

bool refused(const std::string& command) {
  for (const std::string& r : peer.opt.refuse)
    if (command.compare(0, r.size(), r) == 0) return true;
  return false;
}

bool answer_command(int fd, const std::string& command) {
  note(command + "\n");
  if (command == "status") return answer_status(fd);
  if (refused(command)) {
    reply(fd, "Error");
    return true;
  }
  if (command.rfind("dir:", 0) == 0) {
    peer.loader.dir = command.substr(4);
    struct stat st {};
    reply(fd, stat(peer.loader.dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? "Ok" : "Error: no such directory");
  } else if (command.rfind("file:", 0) == 0) {
    peer.loader.file = command.substr(5);
    reply(fd, "Ok");
  } else if (command == "auto:on") {
    peer.loader.automatic = 1;
    reply(fd, "Ok");
  } else if (command == "auto:off") {
    peer.loader.automatic = 0;
    reply(fd, "Ok");
  } else if (command.rfind("comment:", 0) == 0) {
    reply(fd, "Ok");
  } else {
    reply(fd, "Error: unknown command");
  }
  return true;
}

std::uint32_t get32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Consumes what it can of the client's input; false to close the client.
bool serve(Client& c) {
  for (;;) {
    if (c.pending_records > 0) {
      if (c.in.size() < 16) return true;
      const unsigned char* h = reinterpret_cast<const unsigned char*>(c.in.data());
      if (h[0] != 0xFC || h[1] != 0xA9) {
        note("bad record header\n");
        return false;
      }
      const size_t length = h[2] | (h[3] << 8);
      if (c.in.size() < 16 + length + 1) return true;
      const int code = h[4];
      const std::uint32_t sec = get32(h + 8), usec = get32(h + 12);
      const std::string text = c.in.substr(16, length);
      const bool terminated = c.in[16 + length] == '\0';
      std::fprintf(peer.log, "%u.%06u %d %s%s", sec, usec, code, text.c_str(),
                   !text.empty() && text.back() == '\n' ? "" : "\n");
      std::fflush(peer.log);
      note("record code=" + std::to_string(code) + " len=" + std::to_string(length) +
           (terminated ? "" : " UNTERMINATED") + " text=" + text + (text.empty() || text.back() != '\n' ? "\n" : ""));
      c.in.erase(0, 16 + length + 1);
      --c.pending_records;
      continue;
    }
    size_t nl = c.in.find('\n');
    if (nl == std::string::npos) return true;
    std::string command = c.in.substr(0, nl);
    c.in.erase(0, nl + 1);
    if (command.rfind("log:", 0) == 0) {
      note(command + "\n");
      c.pending_records = std::atol(command.c_str() + 4);
      continue;
    }
    if (!answer_command(c.fd, command)) return false;
  }
}

int listen_first_free_port() {
  for (int port : PORTS) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<unsigned short>(port));
    inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && listen(fd, 8) == 0) return fd;
    close(fd);
  }
  return -1;
}

bool parse_options(int argc, char** argv) {
  Options& o = peer.opt;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](const char* prefix, std::string& out) {
      if (a.rfind(prefix, 0) != 0) return false;
      out = a.substr(std::strlen(prefix));
      return true;
    };
    std::string v;
    if (value("--version=", o.version) || value("--greeting=", o.greeting) || value("--missing=", o.missing) ||
        value("--log=", o.log_path) || value("--transcript=", o.transcript_path) ||
        value("--dir=", peer.loader.dir) || value("--file=", peer.loader.file))
      continue;
    if (value("--refuse=", v)) o.refuse.push_back(v);
    else if (value("--busy=", v)) o.busy = std::atoi(v.c_str());
    else if (value("--busy-from=", v)) o.busy_from = std::atoi(v.c_str());
    else if (value("--slow=", v)) o.slow_ms = std::atoi(v.c_str());
    else if (value("--idle-exit=", v)) o.idle_exit_s = std::atoi(v.c_str());
    else if (value("--listen-delay=", v)) o.listen_delay_ms = std::atoi(v.c_str());
    else if (value("--auto=", v)) peer.loader.automatic = std::atoi(v.c_str());
    else if (value("--online=", v)) peer.loader.online = std::atoi(v.c_str());
    else if (value("--state=", v)) peer.loader.state = std::atoi(v.c_str());
    else if (a == "--no-greeting") o.no_greeting = true;
    else if (a == "--close-mid-reply") o.close_mid_reply = true;
    else if (a == "--split") o.split = true;
    else if (a == "--crlf") o.crlf = true;
    else return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Started by kestro_post_compile as "kestro" with no arguments: then it is
  // the sample loader. It keeps what it hears in kestro.log beside itself and
  // goes away by itself after a quiet minute.
  if (argc == 1) {
    peer.opt.idle_exit_s = 60;
    std::string here = argv[0];
    here = here.find('/') == std::string::npos ? "." : here.substr(0, here.rfind('/'));
    peer.opt.transcript_path = here + "/kestro.log";
    peer.opt.log_path = "/dev/null";
  }
  if (!parse_options(argc, argv)) {
    std::fputs("usage: kestro_loader_peer [--version=V] [--greeting=LINE] [--no-greeting] [--busy=N] [--busy-from=K]\n"
               "  [--refuse=PREFIX]... [--slow=MS] [--close-mid-reply] [--split] [--crlf] [--missing=KEY]\n"
               "  [--dir=D] [--file=F] [--auto=0|1] [--online=0|1] [--state=N] [--idle-exit=S]\n"
               "  [--listen-delay=MS] [--log=FILE] [--transcript=FILE]\n", stderr);
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  if (!peer.opt.log_path.empty()) peer.log = std::fopen(peer.opt.log_path.c_str(), "a");
  if (!peer.opt.transcript_path.empty()) peer.transcript = std::fopen(peer.opt.transcript_path.c_str(), "a");
  if (!peer.log) peer.log = stdout;
  if (peer.opt.listen_delay_ms) usleep(static_cast<useconds_t>(peer.opt.listen_delay_ms) * 1000);
  int listener = listen_first_free_port();
  if (listener < 0) {
    std::fputs("kestro_loader_peer: no free loader port\n", stderr);
    return 1;
  }
  const std::string greeting = peer.opt.greeting.empty() ? "Kestro Loader " + peer.opt.version : peer.opt.greeting;
  peer.last_activity_ms = now_ms();
  for (;;) {
    std::vector<pollfd> fds{{listener, POLLIN, 0}};
    for (const Client& c : peer.clients) fds.push_back({c.fd, POLLIN, 0});
    int r = poll(fds.data(), fds.size(), 200);
    if (r == 0 && peer.opt.idle_exit_s > 0 && peer.clients.empty() &&
        now_ms() - peer.last_activity_ms > peer.opt.idle_exit_s * 1000LL)
      return 0;
    if (r <= 0) continue;
    peer.last_activity_ms = now_ms();
    if (fds[0].revents & POLLIN) {
      int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) {
        note("connect\n");
        if (!peer.opt.no_greeting) send_text(fd, line(greeting));
        peer.clients.push_back({fd, {}, 0});
      }
    }
    for (size_t i = 1; i < fds.size(); ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      Client& c = peer.clients[i - 1];
      char buf[65536];
      ssize_t got = recv(c.fd, buf, sizeof buf, 0);
      bool keep = got > 0;
      if (keep) {
        c.in.append(buf, static_cast<size_t>(got));
        keep = serve(c);
      }
      if (!keep) {
        note("close\n");
        close(c.fd);
        c.fd = -1;
      }
    }
    std::erase_if(peer.clients, [](const Client& c) { return c.fd < 0; });
  }
}
