// vncatalogue: the program's built-in catalogue on its own, without the
// window, for the end-to-end tests and benchmarks under Wine.
//
//   vncatalogue [--directory URL] [--data FOLDER] [--port N]
//
//   --directory URL  the station directory (default: the one the program was built with)
//   --data FOLDER    where the user's stations are stored (default: %APPDATA%\Volnar)
//   --port N         the first port to try (default: the program's fixed port); 0 = any free one
//
// Prints "listening 127.0.0.1:PORT" once the server answers, then reads commands from
// standard input, one a line: "play ADDRESS" (a station started, as the Play button or a
// play: link reports it), "title ADDRESS TEXT" (a title began on that station; TEXT in
// CP1251, as the player notification carries it), "plays" (prints "play-request ADDRESS"
// for the newest play that a page in an external browser asked for, or "play-request -"),
// "chosen" (the program has a last station), "quit". The end of the input also quits. Exit codes: 0 done, 2 the server did not start, 1 bad usage.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "catalogue/catalogue_win.h"

int main(int argc, char** argv) {
  CatalogueSetup setup;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) {
      std::fprintf(stderr, "usage: vncatalogue [--directory URL] [--data FOLDER] [--port N]\n");
      return 1;
    }
    const std::string value = argv[++i];
    if (arg == "--directory") {
      setup.directory = value;
    } else if (arg == "--data") {
      setup.data_folder.assign(value.begin(), value.end());  // ASCII test paths
    } else if (arg == "--port") {
      const int port = std::atoi(value.c_str());
      if (port) {
        for (int k = 0; k <= kCataloguePortFallbacks; ++k) setup.ports.push_back(static_cast<uint16_t>(port + k));
      } else {
        setup.ports.push_back(0);
      }
    } else {
      std::fprintf(stderr, "unknown option %s\n", arg.c_str());
      return 1;
    }
  }
  const std::string host = StartCatalogue(false, setup);
  if (!CatalogueRunning()) {
    std::printf("not started\n");
    return 2;
  }
  std::printf("listening %s\n", host.c_str());
  std::fflush(stdout);
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "quit") break;
    if (line == "chosen") {
      (void)StartCatalogue(true, setup);  // already running: only the hand-over
    } else if (line.rfind("play ", 0) == 0) {
      CatalogueStationPlayed(line.substr(5));
    } else if (line.rfind("title ", 0) == 0) {
      const size_t space = line.find(' ', 6);
      if (space != std::string::npos) CatalogueTitleHeard(line.substr(6, space - 6), line.substr(space + 1));
    } else if (line == "plays") {
      const auto play = TakeCataloguePlayRequest();
      std::printf("play-request %s\n", play ? play->c_str() : "-");
    }
    std::printf("ok %s\n", line.c_str());
    std::fflush(stdout);
  }
  StopCatalogue();
  return 0;
}
