#include "favcheck.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include <algorithm>

#include "cleanlog.h"
#include "localhttp.h"
#include "programs.h"
#include "sysinfo.h"
#include "testsupport.h"

namespace t = suite::test;
using namespace marksift;
using marksift::test::LocalHttpServer;

namespace {

std::string Favorite(const std::string& url) { return "[InternetShortcut]\r\nURL=" + url + "\r\n"; }

// Records the sink calls of a check as text, to compare two runs.
struct Transcript : CheckSink {
  std::vector<std::string> lines;
  void Started(size_t n) override { lines.push_back("start " + std::to_string(n)); }
  void Checking(size_t i, const std::string& p) override {
    lines.push_back("checking " + std::to_string(i) + " " + p);
  }
  void Checked(size_t i, const std::string& p, const LinkResult& r) override {
    lines.push_back("checked " + std::to_string(i) + " " + p + " " + std::to_string(r.status));
  }
  void Dead(const std::string& p, const marksift::FileStamp&) override {
    lines.push_back("dead " + p);
  }
};

}  // namespace

TEST(FavoriteAddresses, SplitBySchemeHostPortAndPath) {
  HttpTarget target;
  ASSERT_TRUE(SplitAddress("http://www.example.test/a/b.html?x=1#top", target));
  EXPECT_FALSE(target.secure);
  EXPECT_EQ(target.host, "www.example.test");
  EXPECT_EQ(target.port, 80);
  EXPECT_EQ(target.object, "/a/b.html?x=1");

  ASSERT_TRUE(SplitAddress("https://secure.example.test/login", target));
  EXPECT_TRUE(target.secure);
  EXPECT_EQ(target.port, 443);
  EXPECT_EQ(target.object, "/login");

  ASSERT_TRUE(SplitAddress("  HTTP://Host.test:8080  ", target));
  EXPECT_EQ(target.port, 8080);
  EXPECT_EQ(target.object, "/");

  for (const char* other : {"ftp://ftp.example.test/pub/", "file:///C:/x.htm",
                            "javascript:alert(1)", "mailto:a@b.test", "www.example.test/x",
                            "", "http://", "about:blank"})
    EXPECT_FALSE(SplitAddress(other, target)) << other;
}

TEST(FavoriteAddresses, OnlyNotFoundAndGoneAreDead) {
  for (DWORD s : {200u, 204u, 301u, 302u, 304u, 307u}) EXPECT_EQ(StateForStatus(s), LinkState::Alive) << s;
  for (DWORD s : {404u, 410u}) EXPECT_EQ(StateForStatus(s), LinkState::Dead) << s;
  for (DWORD s : {0u, 100u, 400u, 401u, 403u, 405u, 407u, 408u, 429u, 500u, 502u, 503u})
    EXPECT_EQ(StateForStatus(s), LinkState::Inconclusive) << s;
}

TEST(FavoriteFiles, AddressFromDefaultThenInternetShortcut) {
  t::ScratchDir dir("C:\\suite-tests\\fav-files");
  t::WriteBytes(dir / "both.url",
                "[DEFAULT]\r\nBASEURL=http://base.test/\r\n[InternetShortcut]\r\nURL=http://url.test/\r\n");
  t::WriteBytes(dir / "nodefault.url", Favorite("http://url.test/only"));
  t::WriteBytes(dir / "emptybase.url", "[DEFAULT]\nBASEURL=\n[InternetShortcut]\nURL=http://url.test/e\n");
  t::WriteBytes(dir / "case.url", "[internetshortcut]\r\nurl= http://url.test/case \r\n");
  t::WriteBytes(dir / "broken.url", std::string("\x00\xff[[[\r\n=\r\nURL\r\n", 14));
  t::WriteBytes(dir / "empty.url", "");
  t::WriteBytes(dir / "huge.url", Favorite("http://url.test/huge") + std::string(2 << 20, ' '));
  CreateDirectoryA((dir / "folder.url").c_str(), nullptr);
  EXPECT_EQ(FavoriteAddress(dir / "both.url"), "http://base.test/");
  EXPECT_EQ(FavoriteAddress(dir / "nodefault.url"), "http://url.test/only");
  EXPECT_EQ(FavoriteAddress(dir / "emptybase.url"), "http://url.test/e");
  EXPECT_EQ(FavoriteAddress(dir / "case.url"), "http://url.test/case");
  EXPECT_EQ(FavoriteAddress(dir / "broken.url"), "");
  EXPECT_EQ(FavoriteAddress(dir / "empty.url"), "");
  EXPECT_EQ(FavoriteAddress(dir / "huge.url"), "");
  EXPECT_EQ(FavoriteAddress(dir / "folder.url"), "");
  EXPECT_EQ(FavoriteAddress(dir / "missing.url"), "");
  // A favorite as Internet Explorer saves it.
  const std::string sample = t::TestDataFolder();
  if (!sample.empty()) {
    EXPECT_EQ(FavoriteAddress(sample + "\\url\\google.url"), "http://www.google.ca/");
  }
}

TEST(FavoriteFiles, NamesAndWhatCountsAsAFavorite) {
  EXPECT_TRUE(IsFavoritePath("C:\\Fav\\x.url.txt"));
  EXPECT_TRUE(IsFavoritePath("C:\\Fav\\NEWS.URL"));
  EXPECT_FALSE(IsFavoritePath("C:\\Fav\\notes.txt"));
  EXPECT_EQ(FavoriteName("C:\\Fav\\Sub\\\"Quoted\" site.url"), "Quoted site.url");
  EXPECT_EQ(CheckedLine("C:\\Fav\\a.url"), "检查: a.url" + std::string(27, ' '));
}

TEST(FavoriteFiles, ListsBothFoldersRecursivelyInOrder) {
  t::ScratchDir user("C:\\suite-tests\\fav-list-user"), common("C:\\suite-tests\\fav-list-common");
  t::WriteBytes(user / "a.url", "x");
  t::WriteBytes(user / "Sub\\Deeper\\b.url", "x");
  t::WriteBytes(common / "c.url", "x");
  const auto files = ListCandidates({user.Path(), common.Path() + "\\", user / "missing"});
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files.back(), common / "c.url");
  EXPECT_NE(std::find(files.begin(), files.end(), user / "Sub\\Deeper\\b.url"), files.end());
}

TEST(LinkCheck, AnswersOfALocalServer) {
  LocalHttpServer server;
  ASSERT_TRUE(server.Running());
  struct Case {
    const char* path;
    LinkState state;
    DWORD status;
  } cases[] = {{"/ok", LinkState::Alive, 200},          {"/gone", LinkState::Dead, 404},
               {"/removed", LinkState::Dead, 410},      {"/moved", LinkState::Alive, 200},
               {"/moved-gone", LinkState::Dead, 404},   {"/login", LinkState::Inconclusive, 401},
               {"/forbidden", LinkState::Inconclusive, 403},
               {"/error", LinkState::Inconclusive, 500}, {"/busy", LinkState::Inconclusive, 429}};
  for (const Case& c : cases) {
    const LinkResult r = CheckAddress(server.Url(c.path));
    EXPECT_EQ(r.state, c.state) << c.path;
    EXPECT_EQ(r.status, c.status) << c.path;
  }
  EXPECT_EQ(server.Hits("/ok"), 2);  // once itself, once as the end of /moved

  // Nothing listening, and a name that does not resolve: no answer, not dead.
  const int refused = marksift::test::RefusedPort();
  EXPECT_EQ(CheckAddress("http://127.0.0.1:" + std::to_string(refused) + "/gone").state,
            LinkState::Inconclusive);
  EXPECT_EQ(CheckAddress("http://no-such-host.invalid/gone").state, LinkState::Inconclusive);
  // Other schemes and empty addresses are never requested.
  EXPECT_EQ(CheckAddress("ftp://127.0.0.1:" + std::to_string(server.Port()) + "/gone").state,
            LinkState::NotChecked);
  EXPECT_EQ(CheckAddress("").state, LinkState::NotChecked);
}

TEST(LinkCheck, HttpsIsSpokenOverTlsOnItsOwnPort) {
  marksift::test::WarmUpCertificateStore();
  LocalHttpServer server;
  // A plain HTTP server on the named port: a TLS client gets no answer from it.
  const std::string url = "https://127.0.0.1:" + std::to_string(server.Port()) + "/gone-secure";
  const LinkResult r = CheckAddress(url);
  EXPECT_EQ(r.state, LinkState::Inconclusive);
  EXPECT_EQ(server.Hits("/gone-secure"), 0) << "sent as plain HTTP";
  EXPECT_GE(server.TlsHellos(), 1);
}

TEST(LinkCheck, ASilentServerCostsOnlyTheTimeOut) {
  LocalHttpServer server;
  CheckOptions options;
  options.timeoutMs = 1000;
  const DWORD start = GetTickCount();
  const LinkResult r = CheckAddress(server.Url("/slow?ms=6000&status=404"), options);
  const DWORD took = GetTickCount() - start;
  EXPECT_EQ(r.state, LinkState::Inconclusive);
  EXPECT_LT(took, 4000u);
}

TEST(FavoriteCheck, SeveralAtOnceReportExactlyAsOneByOne) {
  LocalHttpServer server;
  t::ScratchDir dir("C:\\suite-tests\\fav-parallel");
  const char* paths[] = {"/ok", "/gone", "/slow?ms=300&status=404", "/moved-gone", "/error",
                         "/slow?ms=150", "/removed", "/moved"};
  std::vector<std::string> candidates;
  for (int i = 0; i < 24; ++i) {
    const std::string name = dir / ("f" + std::to_string(i) + (i % 7 == 3 ? ".txt" : ".url"));
    t::WriteBytes(name, Favorite(server.Url(paths[i % 8])));
    candidates.push_back(name);
  }
  std::atomic<bool> stop{false};
  Transcript one, many;
  CheckOptions sequential;
  sequential.parallel = 1;
  const auto deadOne = CheckFavorites(candidates, one, stop, sequential);
  const auto deadMany = CheckFavorites(candidates, many, stop);
  EXPECT_EQ(one.lines, many.lines);
  EXPECT_EQ(deadOne, deadMany);
  // 24 files, 3 of them ".txt"; of the 21 favorites: /gone, slow 404, /moved-gone, /removed.
  size_t expectedDead = 0;
  for (int i = 0; i < 24; ++i)
    if (i % 7 != 3 && (i % 8 == 1 || i % 8 == 2 || i % 8 == 3 || i % 8 == 6)) ++expectedDead;
  EXPECT_EQ(deadMany.size(), expectedDead);
}

TEST(FavoriteCheck, StopEndsPendingRequestsSoon) {
  LocalHttpServer server;
  t::ScratchDir dir("C:\\suite-tests\\fav-stop");
  std::vector<std::string> candidates;
  for (int i = 0; i < 20; ++i) {
    candidates.push_back(dir / ("s" + std::to_string(i) + ".url"));
    t::WriteBytes(candidates.back(), Favorite(server.Url("/slow?ms=8000&status=404")));
  }
  std::atomic<bool> stop{false};
  Transcript transcript;
  std::thread stopper([&] {
    Sleep(300);
    stop = true;
  });
  CheckOptions options;  // the full time-out of 10 s
  const DWORD start = GetTickCount();
  const auto dead = CheckFavorites(candidates, transcript, stop, options);
  const DWORD took = GetTickCount() - start;
  stopper.join();
  EXPECT_TRUE(dead.empty());
  // Closing the sessions breaks the pending requests; a request the system
  // cannot break ends by its time-out on its own thread, without the window
  // (which waits for the check when it closes) waiting for it.
  EXPECT_LT(took, 300u + 2000u) << "the check waited for the server's answer";
  EXPECT_LE(server.Requests(), 8) << "no new request starts after the stop";
}

TEST(FavoriteRecycle, OnlyFavoriteFilesThatExist) {
  t::ScratchDir dir("C:\\suite-tests\\fav-recycle");
  t::WriteBytes(dir / "dead.url", Favorite("http://x.test/"));
  t::WriteBytes(dir / "keep.txt", "x");
  CreateDirectoryA((dir / "folder.url").c_str(), nullptr);
  const std::vector<std::string> paths{dir / "dead.url", dir / "missing.url", dir / "keep.txt",
                                       dir / "folder.url", dir / "*.url"};
  std::vector<marksift::FileStamp> stamps;
  for (const auto& p : paths) stamps.push_back(marksift::StampOf(p));
  const auto removed = RecycleFavorites(paths, stamps);
  EXPECT_EQ(removed, std::vector<std::string>{dir / "dead.url"});
  EXPECT_FALSE(t::Exists(dir / "dead.url"));
  EXPECT_TRUE(t::Exists(dir / "keep.txt"));
  EXPECT_TRUE(t::Exists(dir / "folder.url"));
}

// Between the check and the removal the user may have fixed a favorite's
// address: only the file that was found dead goes.
TEST(FavoriteRecycle, AFavoriteWrittenSinceTheCheckStays) {
  LocalHttpServer server;
  t::ScratchDir dir("C:\\suite-tests\\fav-same-file");
  const std::string fixed = dir / "fixed.url", dead = dir / "dead.url";
  t::WriteBytes(fixed, Favorite(server.Url("/gone")));
  t::WriteBytes(dead, Favorite(server.Url("/gone")));
  Transcript transcript;
  std::atomic<bool> stop{false};
  std::vector<marksift::FileStamp> stamps;
  const auto found = CheckFavorites({fixed, dead}, transcript, stop, {}, &stamps);
  ASSERT_EQ(found, (std::vector<std::string>{fixed, dead}));
  ASSERT_EQ(stamps.size(), 2u);
  t::WriteBytes(fixed, Favorite(server.Url("/ok")));
  EXPECT_EQ(RecycleFavorites(found, stamps), std::vector<std::string>{dead});
  EXPECT_TRUE(t::Exists(fixed));
  EXPECT_FALSE(RecycleFavorites({fixed}, {}).size());  // no stamp, no removal
  EXPECT_TRUE(t::Exists(fixed));
  t::EmptyRecycleBin();
}

TEST(FavoriteFiles, NamesSplitAtRealBackslashesOnly) {
  // A GBK character whose trail byte is the byte of '\'.
  const std::string name = std::string("a\x95\x5c", 3) + "b.url";
  EXPECT_EQ(FavoriteName("C:\\Favorites\\" + name), name);
  EXPECT_EQ(FavoriteName("C:\\Favorites\\\"q\".url"), "q.url");
}

// A failure while the check reports (here: the window's sink) ends the check
// cleanly: its threads are ended and the failure reaches the caller, never a
// crash of the process.
TEST(FavoriteCheck, AFailingSinkEndsTheCheckWithoutCrashing) {
  LocalHttpServer server;
  t::ScratchDir dir("C:\\suite-tests\\fav-throw");
  std::vector<std::string> candidates;
  for (int i = 0; i < 12; ++i) {
    candidates.push_back(dir / ("t" + std::to_string(i) + ".url"));
    t::WriteBytes(candidates.back(), Favorite(server.Url("/slow?ms=200&status=404")));
  }
  struct Throwing : CheckSink {
    void Checking(size_t i, const std::string&) override {
      if (i == 2) throw std::runtime_error("the window is gone");
    }
  } sink;
  std::atomic<bool> stop{false};
  EXPECT_THROW(CheckFavorites(candidates, sink, stop), std::runtime_error);
  // The check can run again at once.
  Transcript transcript;
  EXPECT_EQ(CheckFavorites({candidates[0]}, transcript, stop).size(), 1u);
}

TEST(FavoriteFiles, AFolderNameEndingInATrailByteKeepsItsLastCharacter) {
  const char* shellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  const std::string saved = suite::ShellFolder("Favorites");
  // The last character's trail byte is the byte of '\'.
  const std::string folder = std::string("C:\\suite-tests\\fav-gbk\\a\x95\x5c", 26);
  t::SetString(HKEY_CURRENT_USER, shellFolders, "Favorites", folder + "\\");
  const std::vector<std::string> folders = FavoriteFolders();
  t::SetString(HKEY_CURRENT_USER, shellFolders, "Favorites", saved);
  ASSERT_FALSE(folders.empty());
  EXPECT_EQ(folders.front(), folder);
}

// The favorites spread over several sites (loopback addresses 127.0.0.2 and
// on, as distinct hosts): rows, order and dead list stay those of a check that
// takes one favorite at a time.
TEST(FavoriteCheckSites, ManySitesReportExactlyAsOneByOne) {
  LocalHttpServer server(300000, 5000, 9);
  ASSERT_EQ(server.Sites(), 9) << "the loopback addresses 127.0.0.2.. cannot be listened on";
  t::ScratchDir dir("C:\\suite-tests\\fav-sites");
  const char* routes[] = {"/ok", "/gone", "/slow?ms=250&status=404", "/moved-gone", "/error",
                          "/slow?ms=120", "/removed", "/moved", "/forbidden", "/ok"};
  std::vector<std::string> candidates;
  size_t expectedDead = 0;
  for (int i = 0; i < 90; ++i) {
    const int site = 1 + (i * 5) % 8;
    const bool favorite = i % 11 != 4;
    const std::string route = std::string(routes[i % 10]) + (i % 10 == 2 || i % 10 == 5 ? "&" : "?") +
                              "n=" + std::to_string(i);
    const std::string name = dir / ("f" + std::to_string(i) + (favorite ? ".url" : ".txt"));
    t::WriteBytes(name, Favorite(server.SiteUrl(site, route)));
    candidates.push_back(name);
    if (favorite && (i % 10 == 1 || i % 10 == 2 || i % 10 == 3 || i % 10 == 6)) ++expectedDead;
  }
  std::atomic<bool> stop{false};
  Transcript one, many;
  CheckOptions sequential;
  sequential.parallel = 1;
  const auto deadOne = CheckFavorites(candidates, one, stop, sequential);
  EXPECT_EQ(server.Peak(), 1);
  const auto deadMany = CheckFavorites(candidates, many, stop);
  EXPECT_EQ(one.lines, many.lines);
  EXPECT_EQ(deadOne, deadMany);
  EXPECT_EQ(deadMany.size(), expectedDead);
  EXPECT_GE(server.PeakPerSite().size(), 8u) << "the favorites did not reach every site";
  EXPECT_LE(server.Peak(), kMaxRequestsPerHost);
}

// However many favorites point at one site, it never has more than the cap of
// the check's requests at once; the cap is reached (the site's favorites do
// go several at a time) and a smaller cap holds as well.
TEST(FavoriteCheckSites, NoSiteGetsMoreRequestsAtOnceThanItsCap) {
  t::ScratchDir dir("C:\\suite-tests\\fav-cap");
  for (int cap : {kMaxRequestsPerHost, 2}) {
    LocalHttpServer server(300000, 5000, 3);
    ASSERT_EQ(server.Sites(), 3);
    std::vector<std::string> candidates;
    for (int i = 0; i < 24; ++i) {
      // Two sites: the first with 18 slow favorites, the second with 6.
      const int site = i % 4 == 3 ? 2 : 1;
      candidates.push_back(dir / ("c" + std::to_string(cap) + "-" + std::to_string(i) + ".url"));
      t::WriteBytes(candidates.back(),
                    Favorite(server.SiteUrl(site, "/slow?ms=200&status=404&n=" + std::to_string(i))));
    }
    std::atomic<bool> stop{false};
    Transcript transcript;
    CheckOptions options;
    options.perHost = cap;
    const auto dead = CheckFavorites(candidates, transcript, stop, options);
    EXPECT_EQ(dead, candidates);
    const auto peaks = server.PeakPerSite();
    for (const char* site : {"127.0.0.2", "127.0.0.3"}) {
      ASSERT_EQ(peaks.count(site), 1u) << site;
      EXPECT_LE(peaks.at(site), cap) << site << ", cap " << cap;
    }
    EXPECT_EQ(peaks.at("127.0.0.2"), cap) << "the site's favorites went one at a time";
  }
}

// Favorites of a site at its cap wait; those of other sites go on meanwhile,
// even when they come later in the list.
TEST(FavoriteCheckSites, ABusySiteDoesNotHoldUpTheOthers) {
  LocalHttpServer server(300000, 5000, 4);
  ASSERT_EQ(server.Sites(), 4);
  t::ScratchDir dir("C:\\suite-tests\\fav-busy");
  std::vector<std::string> candidates;
  for (int i = 0; i < 12; ++i) {  // the busy site first: three rounds of 1.5 s
    candidates.push_back(dir / ("busy" + std::to_string(i) + ".url"));
    t::WriteBytes(candidates.back(),
                  Favorite(server.SiteUrl(1, "/slow?ms=1500&n=" + std::to_string(i))));
  }
  for (int i = 0; i < 30; ++i) {
    candidates.push_back(dir / ("other" + std::to_string(i) + ".url"));
    t::WriteBytes(candidates.back(),
                  Favorite(server.SiteUrl(2 + i % 2, "/gone?n=" + std::to_string(i))));
  }
  std::atomic<bool> stop{false};
  int othersAnsweredEarly = -1;
  std::thread watcher([&] {
    Sleep(1200);  // the busy site's first round is still waiting
    othersAnsweredEarly = 0;
    for (int i = 0; i < 30; ++i) othersAnsweredEarly += server.Hits("/gone?n=" + std::to_string(i));
  });
  Transcript transcript;
  const DWORD start = GetTickCount();
  const auto dead = CheckFavorites(candidates, transcript, stop);
  const DWORD took = GetTickCount() - start;
  watcher.join();
  EXPECT_EQ(othersAnsweredEarly, 30) << "the other sites waited for the busy one";
  EXPECT_EQ(dead.size(), 30u);
  EXPECT_EQ(server.PeakPerSite()["127.0.0.2"], kMaxRequestsPerHost);
  EXPECT_GE(took, 3u * 1500u) << "the busy site got more than its cap";
  EXPECT_LT(took, 3u * 1500u + 3000u);
}

// A stop breaks the waiting requests on every site at once.
TEST(FavoriteCheckSites, StopEndsPendingRequestsOnEverySite) {
  LocalHttpServer server(300000, 5000, 7);
  ASSERT_EQ(server.Sites(), 7);
  t::ScratchDir dir("C:\\suite-tests\\fav-stop-sites");
  std::vector<std::string> candidates;
  for (int i = 0; i < 60; ++i) {
    candidates.push_back(dir / ("s" + std::to_string(i) + ".url"));
    t::WriteBytes(candidates.back(), Favorite(server.SiteUrl(1 + i % 6, "/slow?ms=8000&status=404&n=" +
                                                                        std::to_string(i))));
  }
  std::atomic<bool> stop{false};
  Transcript transcript;
  std::thread stopper([&] {
    for (int i = 0; i < 100 && server.Requests() < 12; ++i) Sleep(50);
    Sleep(200);
    stop = true;
  });
  const DWORD start = GetTickCount();
  const auto dead = CheckFavorites(candidates, transcript, stop);
  const DWORD took = GetTickCount() - start;
  stopper.join();
  EXPECT_TRUE(dead.empty());
  EXPECT_GE(server.Requests(), 12) << "the sites were not checked side by side";
  EXPECT_LT(took, 5000u + 2000u) << "the check waited for the servers' answers";
  EXPECT_LE(server.Peak(), kMaxRequestsPerHost);
}

TEST(FavoriteCheckSites, SitesAndTheSystemsConnectionLimit) {
  EXPECT_EQ(SiteOf("http://WWW.Example.test/a"), "www.example.test");
  EXPECT_EQ(SiteOf("https://www.example.test:8443/b"), "www.example.test");
  EXPECT_EQ(SiteOf("ftp://www.example.test/"), "");
  EXPECT_EQ(SiteOf(""), "");

  // WinINet's own limit per server must not hold the check below its cap ...
  EXPECT_GE(RaiseConnectionLimit(kMaxRequestsPerHost), static_cast<DWORD>(kMaxRequestsPerHost));
  DWORD limit = 0, size = sizeof limit;
  ASSERT_TRUE(InternetQueryOptionA(nullptr, INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER, &limit, &size));
  EXPECT_GE(limit, static_cast<DWORD>(kMaxRequestsPerHost));
  // ... and a higher limit the process chose stays.
  DWORD high = 12;
  ASSERT_TRUE(InternetSetOptionA(nullptr, INTERNET_OPTION_MAX_CONNS_PER_SERVER, &high, sizeof high));
  EXPECT_EQ(RaiseConnectionLimit(kMaxRequestsPerHost), 12u);
}

// The unattended pass, in process: the dead favorite goes and is logged, a
// live one stays; a pass that removes nothing leaves the older log alone.
TEST(FavoriteRecycle, TheUnattendedPassRemovesTheDeadOnesAndLogsThem) {
  LocalHttpServer server;
  t::ScratchDir dir("C:\\suite-tests\\fav-auto");
  t::WriteBytes(dir / "live.url", Favorite(server.Url("/ok")));
  t::WriteBytes(dir / "sub\\dead.url", Favorite(server.Url("/gone")));
  const std::string log = suite::LogNameOf(suite::Program::Marksift);
  suite::DeleteLog(log);
  EXPECT_EQ(RunUnattendedPass({dir.Path()}), std::vector<std::string>{dir / "sub\\dead.url"});
  EXPECT_TRUE(t::Exists(dir / "live.url"));
  EXPECT_FALSE(t::Exists(dir / "sub\\dead.url"));
  std::vector<std::string> files;
  EXPECT_TRUE(suite::ReadLog(log, "Files", files));
  EXPECT_EQ(files, std::vector<std::string>{dir / "sub\\dead.url"});
  EXPECT_TRUE(RunUnattendedPass({dir.Path()}).empty());
  files.clear();
  EXPECT_TRUE(suite::ReadLog(log, "Files", files)) << "an older log stays";
  EXPECT_EQ(files.size(), 1u);
  suite::DeleteLog(log);
  t::EmptyRecycleBin();
}
