// ostravel_service_http_echo: the service's HTTP layer with its default limits and a trivial
// handler that answers like a member list, for measuring the layer alone.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>

#include "service/http/HttpServer.h"
#include "service/http/SignalWait.h"

namespace {

using ostravel::service::HttpRequest;
using ostravel::service::HttpResponse;

// The first word after "args=", the way the service logs it.
std::string FirstWordOfArgs(const std::string& body) {
  const auto args = body.find("args=");
  if (args == std::string::npos) return "";
  const auto start = args + 5;
  return body.substr(start, body.find_first_of("+&", start) - start);
}

HttpResponse Answer(const HttpRequest& request) {
  HttpResponse response;
  for (int i = 1; i <= 5; ++i) {
    response.body +=
        "Name Member" + std::to_string(i) + "  Level 126  Rank 5  Online 1  Location 0xA9B40019\n";
  }
  response.log_detail = FirstWordOfArgs(request.body);
  return response;
}

}  // namespace

int main(int argc, char** argv) {
  ostravel::service::BlockTerminationSignals();
  CLI::App app("The service's HTTP layer with a trivial handler");
  ostravel::service::HttpServerOptions options;
  std::string logFile = "/dev/stdout";
  app.add_option("--port", options.port, "The port on --address (0: any free port)");
  app.add_option("--address", options.address, "The address to listen on");
  app.add_option("--threads", options.threads, "Worker threads");
  app.add_option("--log", logFile, "Where the access log goes");
  app.add_option("--rate-burst", options.request_burst_per_address,
                 "Requests one address may send at once (0: no rate limit)");
  CLI11_PARSE(app, argc, argv);
  std::ofstream log(logFile, std::ios::app);
  ostravel::service::HttpServer server(options, &Answer, log);
  try {
    const uint16_t port = server.Start();
    std::cout << "listening on http://" << options.address << ":" << port << "/" << std::endl;
  } catch (const std::exception& error) {
    std::cerr << error.what() << '\n';
    return 1;
  }
  ostravel::service::WaitForTerminationSignal();
  server.Stop();
  return 0;
}
