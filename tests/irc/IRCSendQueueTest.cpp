#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "irc/IRCSendQueue.h"
#include "platform/EventLoop.h"

namespace ostravel {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Kind = IRCSendQueue::Kind;

class IRCSendQueueTest : public ::testing::Test {
 protected:
  // Moves the queue's clock on and gives the loop one turn, as if that much time had passed.
  void Advance(std::chrono::milliseconds by) {
    now += by;
    queue->Reschedule();
    loop.Poll();
  }
  void SendLines(const std::string& prefix, int from, int to, Kind kind) {
    for (int i = from; i <= to; ++i) queue->Send(prefix + std::to_string(i), kind);
  }
  // The lines written since the last call, without their CR LF (checked once here).
  std::vector<std::string> Taken() {
    std::vector<std::string> lines;
    for (auto& line : written) {
      EXPECT_TRUE(line.ends_with("\r\n")) << line;
      lines.push_back(line.substr(0, line.size() - 2));
    }
    written.clear();
    return lines;
  }

  platform::EventLoop loop;
  std::chrono::steady_clock::time_point now{1h};
  std::vector<std::string> written;
  std::function<void(const std::string&)> on_write;
  std::unique_ptr<IRCSendQueue> queue = std::make_unique<IRCSendQueue>(
      loop,
      [this](std::string line) {
        written.push_back(line);
        if (on_write) on_write(line);
      },
      [this] { return now; });
};

TEST_F(IRCSendQueueTest, BurstOfFiveThenOneLinePerInterval) {
  SendLines("A", 1, 8, Kind::kAutomatic);
  EXPECT_THAT(Taken(), ElementsAre("A1", "A2", "A3", "A4", "A5"));
  EXPECT_EQ(queue->Queued(), 3u);

  Advance(1999ms);
  EXPECT_THAT(Taken(), IsEmpty());
  Advance(1ms);
  EXPECT_THAT(Taken(), ElementsAre("A6"));
  Advance(2000ms);
  EXPECT_THAT(Taken(), ElementsAre("A7"));
  // Time beyond one interval earns tokens that a later line may use at once.
  Advance(5000ms);
  EXPECT_THAT(Taken(), ElementsAre("A8"));
  queue->Send("A9", Kind::kAutomatic);
  EXPECT_THAT(Taken(), ElementsAre("A9"));
  EXPECT_EQ(queue->Queued(), 0u);

  // An idle bucket holds no more than the burst.
  Advance(60s);
  SendLines("B", 1, 7, Kind::kAutomatic);
  EXPECT_THAT(Taken(), ElementsAre("B1", "B2", "B3", "B4", "B5"));
  Advance(1500ms);
  EXPECT_THAT(Taken(), IsEmpty());
}

// The timer itself, with no hook: a clock that follows real time, set 1800 ms into the wait.
TEST_F(IRCSendQueueTest, TheTimerSendsAWaitingLineWhenItsTokenIsDue) {
  std::chrono::steady_clock::duration offset{0};
  IRCSendQueue real(
      loop, [this](std::string line) { written.push_back(line); },
      [&offset] { return std::chrono::steady_clock::now() + offset; });
  for (int i = 1; i <= 5; ++i) real.Send("R" + std::to_string(i), Kind::kAutomatic);
  Taken();
  offset = 1800ms;
  real.Send("R6", Kind::kAutomatic);
  EXPECT_THAT(Taken(), IsEmpty());
  EXPECT_TRUE(loop.RunUntil([&] { return !written.empty(); }, 1s));
  EXPECT_THAT(Taken(), ElementsAre("R6"));
}

TEST_F(IRCSendQueueTest, APlayerLineOvertakesFiftyAutomaticLines) {
  SendLines("A", 1, 55, Kind::kAutomatic);
  Taken();
  queue->Send("P1", Kind::kPlayer);
  queue->Send("P2", Kind::kPlayer);
  EXPECT_THAT(Taken(), IsEmpty());
  EXPECT_EQ(queue->Queued(), 52u);

  Advance(2s);
  EXPECT_THAT(Taken(), ElementsAre("P1"));
  Advance(2s);
  EXPECT_THAT(Taken(), ElementsAre("P2"));
  Advance(2s);
  EXPECT_THAT(Taken(), ElementsAre("A6"));
}

TEST_F(IRCSendQueueTest, PongNeverWaitsAndClearDropsWhatWaits) {
  for (int i = 0; i < 10; ++i) queue->Send("PONG :x", Kind::kPong);
  EXPECT_EQ(Taken().size(), 10u);
  SendLines("A", 1, 7, Kind::kAutomatic);
  EXPECT_EQ(Taken().size(), 5u);

  queue->Send("PONG :abc", Kind::kPong);
  EXPECT_THAT(Taken(), ElementsAre("PONG :abc"));
  EXPECT_EQ(queue->Queued(), 2u);

  // What waits is counted in bytes too, with its CR LF, and the lines that have something to
  // tell should they never go out say it when they are dropped.
  queue->Send("PRIVMSG #c :hi", Kind::kPlayer, "not sent: hi");
  EXPECT_EQ(queue->QueuedBytes(), 2 * std::string("A6\r\n").size() + 16);

  // A new connection: what waited is dropped, and the whole burst is there again.
  EXPECT_THAT(queue->Clear(), ElementsAre("not sent: hi"));
  EXPECT_EQ(queue->Queued(), 0u);
  EXPECT_EQ(queue->QueuedBytes(), 0u);
  // No time has passed, yet the new connection has its whole burst.
  SendLines("B", 1, 5, Kind::kAutomatic);
  EXPECT_THAT(Taken(), ElementsAre("B1", "B2", "B3", "B4", "B5"));
}

TEST_F(IRCSendQueueTest, WriteMayClearOrSendOnTheQueue) {
  // A Send from inside write keeps the order: the pong goes next, then the rest.
  on_write = [this](const std::string& line) {
    if (line == "A1\r\n") queue->Send("PONG :p", Kind::kPong);
  };
  SendLines("A", 1, 2, Kind::kAutomatic);
  EXPECT_THAT(Taken(), ElementsAre("A1", "PONG :p", "A2"));

  // A Clear from inside write (the connection dropped) ends the run at once.
  on_write = [this](const std::string& line) {
    if (line == "B5\r\n") queue->Clear();
  };
  SendLines("B", 1, 7, Kind::kAutomatic);
  EXPECT_THAT(Taken(), ElementsAre("B1", "B2", "B3"));
  Advance(4s);
  EXPECT_THAT(Taken(), ElementsAre("B4", "B5"));
  EXPECT_EQ(queue->Queued(), 0u);
  Advance(10s);
  EXPECT_THAT(Taken(), IsEmpty());
}

// How a loop treats a handler that throws is the loop's own business (and differs between the
// builds); what matters here is that the queue stays whole.
TEST_F(IRCSendQueueTest, AWriteThatThrowsCountsAsSentAndTheRestKeepTheirTurn) {
  on_write = [](const std::string& line) {
    if (line == "P1\r\n") throw std::runtime_error("socket gone");
  };
  queue->Clear();
  EXPECT_THROW(queue->Send("P1", Kind::kPlayer), std::runtime_error);
  queue->Send("P2", Kind::kPlayer);
  EXPECT_THAT(Taken(), ElementsAre("P1", "P2"));
  EXPECT_EQ(queue->Queued(), 0u);
}

}  // namespace
}  // namespace ostravel
