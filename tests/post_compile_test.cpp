// kestro_post_compile against the loader peer, each test in a network of
// its own.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "loader_peer_process.h"
#include "run_program.h"

namespace fs = std::filesystem;

namespace {

const std::string NOTICE =
    "This error should never happen (when using Arduino).  Please report this to support@kestrokit.example.org."
    "  In Kestro Loader, click Help > Verbose Info, then click Log > Save As and attach the log file to your "
    "message.  The log info is essential for any hope of figuring out what went wrong here!";
const std::string USAGE =
    "\n"
    "kestro_post_compile - inform the Kestro Loader of freshly compiled code\n"
    "\n"
    "Usage:\n"
    "   kestro_post_compile [-v] -file=<file> -path=<path> [-tools=<toolspath>]\n"
    "                       [-board=<board>] [-port=<port>] [-portlabel=<name>]\n"
    "                       [-reboot]\n"
    "\n"
    "      -file=<file>        Code to program (without .hex) to your Kestro board\n"
    "      -path=<path>        Directory where <file.hex> is located\n"
    "      -tools=<toolspath>  Directory where Kestro Loader is located\n"
    "      -board=<board>      Board expected to be found\n"
    "      -port=<port>        USB location (from kestro_ports)\n"
    "      -portlabel=<name>   User visiable name for port\n"
    "      -reboot             Send request to go into bootloader mode\n"
    "      -v                  Show verbose info\n"
    "\n";
const std::string COMMENT = "comment: Kestrokit 1.57 - LINUX64 (kestro_post_compile)";

// A log record as the peer's transcript shows it.
std::string rec(const std::string& text, int code = 1) {
  return "record code=" + std::to_string(code) + " len=" + std::to_string(text.size()) + " text=" + text +
         (!text.empty() && text.back() == '\n' ? "" : "\n");
}

class PostCompileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    enter_private_network();
    write_file(build + "/Blink.ino.hex", ":00000001FF\n");
    fs::create_directories(tools);
  }

  RunResult post_compile(std::vector<std::string> args, std::vector<std::string> env = {}) {
    args.insert(args.begin(), bin_path("kestro_post_compile"));
    RunOptions o;
    o.env = std::move(env);
    return run_program(args, o);
  }
  std::vector<std::string> normal_args() { return {"-file=Blink.ino", "-path=" + build, "-tools=" + tools}; }
  std::vector<std::string> peer_args(std::vector<std::string> more) {
    more.push_back("--transcript=" + transcript);
    more.push_back("--log=" + scratch / "peer.log");
    return more;
  }
  // What the peer heard. It notes the last records and the closed
  // connection a moment after the tool has gone, so wait for the close.
  std::string heard() {
    std::string t = read_file(transcript);
    for (int i = 0; i < 200 && !t.empty() && !(t.size() >= 6 && t.compare(t.size() - 6, 6, "close\n") == 0); ++i) {
      usleep(10000);
      t = read_file(transcript);
    }
    return t;
  }
  void wait_for_close() { heard(); }

  ScratchDir scratch;
  const std::string build = scratch / "build";
  const std::string tools = scratch / "tools";
  const std::string transcript = scratch / "transcript.txt";
};

TEST_F(PostCompileTest, CompleteRunIsByteExact) {
  RunResult r;
  {
    LoaderPeer peer(peer_args({"--dir=/elsewhere/", "--file=Other.hex"}));
    r = post_compile(normal_args(), {"ARDUINO_USER_AGENT=arduino-cli/0.21.9"});
    wait_for_close();
  }
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  const std::string expected =
      "connect\n" + COMMENT + "\nstatus\ndir:" + build + "/\nfile:Blink.ino.hex\nstatus\nauto:on\nlog:9\n" +
      rec("Begin, version=1.57\n") + rec("ARDUINO_USER_AGENT = \"arduino-cli/0.21.9\"\n") +
      rec("Sending command: " + COMMENT + "\n") + rec("Status: 0, 0, 0, 0, 0, 0, /elsewhere/, Other.hex\n") +
      rec("Sending command: dir:" + build + "/\n") + rec("Sending command: file:Blink.ino.hex\n") +
      rec("Status: 1, 0, 0, 0, 0, 0, " + build + "/, Blink.ino.hex\n") + rec("Sending command: auto:on\n") +
      rec("Disconnect") + "close\n";
  EXPECT_EQ(heard(), expected);
}

TEST_F(PostCompileTest, TheSameFileIsNotSentAgain) {
  for (const std::string& dir : {build, build + "/"}) {
    fs::remove(transcript);
    LoaderPeer peer(peer_args({"--dir=" + dir, "--file=Blink.ino.hex", "--auto=1"}));
    RunResult r = post_compile(normal_args());
    EXPECT_EQ(r.exit_code, 0) << r.err;
    const std::string t = heard();
    EXPECT_EQ(t.substr(0, t.find("log:")), "connect\n" + COMMENT + "\nstatus\n") << dir;
  }
}

TEST_F(PostCompileTest, OnlineAutoModeIsSwitchedOffThenOn) {
  LoaderPeer peer(peer_args({"--online=1", "--auto=1"}));
  RunResult r = post_compile(normal_args());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  const std::string t = heard();
  // online stays 1 at the second query, so auto:on is not sent.
  EXPECT_EQ(t.substr(0, t.find("log:")), "connect\n" + COMMENT + "\nstatus\nauto:off\ndir:" + build +
                                             "/\nfile:Blink.ino.hex\nstatus\n");
}

TEST_F(PostCompileTest, FailureRows) {
  struct Case {
    const char* what;
    std::vector<std::string> peer;
    std::vector<std::string> args;  // empty: the normal arguments
    std::string err;
  } cases[] = {
      {"old loader", {"--version=1.41"}, {},
       "Found Kestro Loader version 1.41, but the minimum required is 1.42.\n"
       "Please use File > Quit in Kestro Loader.  The new version\n"
       "will open automatically on your next Verify or Upload.\nquit"},
      {"comment refused", {"--refuse=comment"}, {}, "Kestro Loader error responding to comment (p)\nquit"},
      {"busy", {"--busy=6"}, {},
       "Kestro Loader is currently busy with another operation (p).  "
       "Please try again in a few seconds, or restart Kestro Loader.\nquit"},
      {"busy after the file", {"--busy-from=2"}, {},
       "Kestro Loader is currently busy with another operation (p).  "
       "Please try again in a few seconds, or restart Kestro Loader.\nquit"},
      {"auto:off refused", {"--online=1", "--auto=1", "--refuse=auto:off"}, {},
       "Unable to configure Kestro Loader to Auto mode!\t " + NOTICE + "quit"},
      {"dir refused", {}, {"-file=Blink.ino", "-path=/no/such/dir"},
       "Kestro Loader could not find the directory /no/such/dir\nquit"},
      {"file refused", {"--refuse=file:"}, {}, "Kestro Loader could not find the file Blink.ino\nquit"},
      {"file unreadable", {}, {"-file=Missing", "-path=" + build},
       "Kestro Loader is unable to read your compiled sketch (p) " + NOTICE + "quit"},
      {"auto:on refused", {"--refuse=auto:on"}, {},
       "Unable to configure Kestro Loader to Auto mode!\t " + NOTICE + "quit"},
  };
  for (const Case& c : cases) {
    fs::remove(transcript);
    RunResult r;
    {
      LoaderPeer peer(peer_args(c.peer));
      r = post_compile(c.args.empty() ? normal_args() : c.args);
      wait_for_close();
    }
    EXPECT_EQ(r.exit_code, 1) << c.what;
    EXPECT_EQ(r.err, c.err) << c.what;
    EXPECT_EQ(r.out, "") << c.what;
    const std::string t = heard();
    EXPECT_NE(t.find(rec("quit") + "close\n"), std::string::npos) << c.what << "\n" << t;
  }
}

TEST_F(PostCompileTest, StatusThatNeverCompletes) {
  LoaderPeer peer(peer_args({"--missing=state"}));
  RunResult r = post_compile(normal_args());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "Error reading Kestro Loader status!  (tpc)" + NOTICE);
  EXPECT_EQ(r.err, "");
  EXPECT_NE(heard().find(rec("Error reading Kestro Loader status!  fieldmask=DF\n")), std::string::npos) << heard();
  EXPECT_EQ(heard().find("status\n") < heard().size(), true);
  size_t queries = 0;
  for (size_t at = heard().find("\nstatus\n"); at != std::string::npos; at = heard().find("\nstatus\n", at + 1)) ++queries;
  EXPECT_EQ(queries, 4u);
}

TEST_F(PostCompileTest, ALoaderThatHangsUpMidReply) {
  LoaderPeer peer(peer_args({"--close-mid-reply"}));
  auto t0 = std::chrono::steady_clock::now();
  RunResult r = post_compile(normal_args());
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 3.0);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "Error reading Kestro Loader status!  (tpc)" + NOTICE);
}

TEST_F(PostCompileTest, UsageAndNewCli) {
  RunResult r = post_compile({});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, USAGE);
  EXPECT_EQ(r.err, "usage\n");

  LoaderPeer peer(peer_args({}));
  for (const char* agent : {"arduino-cli/0.22.0", "arduino-cli/1.0.0", "arduino-cli/nightly-20220611"}) {
    r = post_compile(normal_args(), {std::string("ARDUINO_USER_AGENT=") + agent});
    EXPECT_EQ(r.exit_code, 0) << agent;
    EXPECT_EQ(r.out + r.err, "") << agent;
  }
  EXPECT_EQ(heard(), "");  // no connection at all
}

TEST_F(PostCompileTest, StartsALoaderThatListensLate) {
  write_file(tools + "/kestro", "#!/bin/sh\nexec '" + bin_path("kestro_loader_peer") +
                                    "' --listen-delay=1000 --idle-exit=3 '--transcript=" + transcript + "'\n");
  fs::permissions(tools + "/kestro", fs::perms::owner_all);
  RunResult r = post_compile(normal_args());
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "Opening Kestro Loader...\n");
  EXPECT_NE(heard().find("auto:on\n"), std::string::npos);
}

TEST_F(PostCompileTest, NoLoaderToStart) {
  auto t0 = std::chrono::steady_clock::now();
  RunResult r = post_compile(normal_args());
  double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err,
            "Opening Kestro Loader...\nUnable find Kestro Loader.  (p)  Is the Kestro Loader application running?\nquit");
  EXPECT_GT(took, 1.9);  // twenty attempts, 100 ms apart

  r = post_compile({"-file=Blink.ino", "-path=" + build});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "Opening Kestro Loader...\nTools directory is unknown!\n\n" + NOTICE + "usage\n");
  EXPECT_EQ(r.out, USAGE);
}

TEST_F(PostCompileTest, RebootGetsExactlyItsArguments) {
  fs::copy_file(source_path("staging/kestro_reboot"), tools + "/kestro_reboot");
  LoaderPeer peer(peer_args({}));
  RunResult r = post_compile({"-file=Blink.ino", "-path=" + build, "-tools=" + tools + "/", "-board=KESTRO41",
                              "-reboot", "-port=usb:1-2", "-portlabel=\"My Kestro 4.1\"", "-portprotocol=Kestro",
                              "-v"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(read_file(tools + "/kestro_reboot.args"),
            tools + "/kestro_reboot\n-v\n-board=KESTRO41\n-port=usb:1-2\n-portlabel=My Kestro 4.1\n-portprotocol=Kestro\n");
  EXPECT_NE(heard().find(rec("Running kestro_reboot: " + tools + "/kestro_reboot")), std::string::npos) << heard();

  r = post_compile({"-file=Blink.ino", "-path=" + build, "-reboot"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "Tools directory is unknown!\n\n" + NOTICE + "usage\n");
  EXPECT_EQ(r.out, USAGE);
}

}  // namespace
