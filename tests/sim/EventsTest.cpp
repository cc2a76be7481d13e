// The component's events: only from the creating thread's message queue, the
// scripted status answers, real-time pacing, the unpaced mode, and sinks that
// stop, unadvise or release from inside an event.
#include <algorithm>
#include <map>

#include "tests/sim/SimFixture.h"

namespace calder::sim::testing {
namespace {

std::vector<int32_t> Statuses(const RecordingSink& sink) {
  std::vector<int32_t> statuses;
  for (const Event& e : sink.events) {
    if (e.id == kOnStatusChange) statuses.push_back(e.status);
  }
  return statuses;
}

// Sizes of the runs of data events that arrived within one dispatched message.
std::vector<size_t> DataBatches(const RecordingSink& sink) {
  std::map<uint64_t, size_t> batches;
  for (const Event& e : sink.events) {
    if (e.id == kOnDataRdy) ++batches[e.dispatch_serial];
  }
  std::vector<size_t> sizes;
  for (const auto& entry : batches) sizes.push_back(entry.second);
  return sizes;
}

TEST_F(SimTest, EventsArriveOnlyThroughTheMessageLoopOnTheCreatingThread) {
  auto sim = Create();
  auto first = RecordingSink::Make();
  auto second = RecordingSink::Make();
  Connection a(sim.Get(), first.Get());
  Connection b(sim.Get(), second.Get());
  ASSERT_EQ(b.result(), S_OK);

  ASSERT_EQ(CallMethod(sim.Get(), kInitControl, {}), S_OK);
  ASSERT_EQ(PutInt(sim.Get(), kIFfilter, 12), S_OK);
  ASSERT_EQ(Start(sim.Get()), S_OK);
  Sleep(150);  // blocks fall due, but nothing may fire without the queue
  EXPECT_TRUE(first->events.empty());

  ASSERT_TRUE(PumpUntil([&] { return first->Count(kOnDataRdy) >= 3; }, 2000));
  EXPECT_EQ(first->events.front().id, kOnStatusChange);
  EXPECT_EQ(first->events.front().status, kStatusPresent);
  for (const Event& e : first->events) {
    EXPECT_EQ(e.thread, GetCurrentThreadId());
    if (e.id == kOnDataRdy) {
      EXPECT_EQ(e.status, kStatusStreaming);
    }
  }
  EXPECT_GE(second->Count(kOnDataRdy), 3u);  // every advised sink hears the events

  // The unpaced mode queues its first batch too.
  SetSimVariable(L"CALDER_SIM_UNPACED", L"4");
  auto unpaced = Create();
  auto sink = RecordingSink::Make();
  Connection c(unpaced.Get(), sink.Get());
  ASSERT_EQ(Start(unpaced.Get()), S_OK);
  EXPECT_TRUE(sink->events.empty());
  ASSERT_TRUE(PumpUntil([&] { return !sink->events.empty(); }, 1000));
}

TEST_F(SimTest, InitControlAnswersWithTheConfiguredStatus) {
  const std::pair<const wchar_t*, std::vector<int32_t>> rows[] = {
      {nullptr, {1}}, {L"0", {0}}, {L"3", {3}}, {L"none", {}}, {L"2,7", {2, 7}}};
  for (const auto& [setting, expected] : rows) {
    SetSimVariable(L"CALDER_SIM_STATUS", setting);
    auto sim = Create();
    auto sink = RecordingSink::Make();
    Connection connection(sim.Get(), sink.Get());
    PumpFor(50);
    EXPECT_TRUE(sink->events.empty()) << "nothing before InitControl";
    ASSERT_EQ(CallMethod(sim.Get(), kInitControl, {}), S_OK);
    PumpFor(250);
    EXPECT_EQ(Statuses(*sink.Get()), expected);
  }
}

TEST_F(SimTest, LaterStatusesFollowAtTheirTimesAfterInitControl) {
  SetSimVariable(L"CALDER_SIM_STATUS", L"0,1@300,3@500");
  auto sim = Create();
  auto sink = RecordingSink::Make();
  std::vector<double> times;
  sink->on_event = [&](const Event&) { times.push_back(NowSeconds()); };
  Connection connection(sim.Get(), sink.Get());
  const double start = NowSeconds();
  ASSERT_EQ(CallMethod(sim.Get(), kInitControl, {}), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return sink->events.size() == 3; }, 2000));
  EXPECT_EQ(Statuses(*sink.Get()), (std::vector<int32_t>{0, 1, 3}));
  EXPECT_LT(times[0] - start, 0.2);
  EXPECT_GE(times[1] - start, 0.29);
  EXPECT_LT(times[1] - start, 0.45);
  EXPECT_GE(times[2] - start, 0.49);

  // A second InitControl plays the script again from its own start.
  ASSERT_EQ(CallMethod(sim.Get(), kInitControl, {}), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return sink->events.size() == 6; }, 2000));
  PumpFor(100);
  EXPECT_EQ(Statuses(*sink.Get()), (std::vector<int32_t>{0, 1, 3, 0, 1, 3}));
}

TEST_F(SimTest, BlocksArriveAtTheSelectedRateAndStopEndsThem) {
  for (const int index : {0, 12}) {
    auto sim = Create();
    auto sink = RecordingSink::Make();
    std::vector<int16_t> buffer(8192);
    FetchBlocksInHandler(sink.Get(), sim.Get(), &buffer);
    Connection connection(sim.Get(), sink.Get());
    ASSERT_EQ(PutInt(sim.Get(), kIFfilter, index), S_OK);
    int rate = 0;
    for (const FilterRate& entry : kFilterRates) rate = entry.index == index ? entry.rate : rate;

    const double start = NowSeconds();
    ASSERT_EQ(Start(sim.Get()), S_OK);
    PumpFor(1000);
    const double expected = (NowSeconds() - start) * rate / 1024.0;
    const double received = static_cast<double>(sink->Count(kOnDataRdy));
    EXPECT_GE(received, 0.7 * expected - 1) << rate << " Hz";
    EXPECT_LE(received, 1.2 * expected + 2) << rate << " Hz";
    EXPECT_EQ(sink->Count(kOnStatusChange), 0u);
    EXPECT_EQ(sink->failed_fetches, 0u);

    ASSERT_EQ(CallMethod(sim.Get(), kStop, {}), S_OK);
    const size_t at_stop = sink->events.size();
    PumpFor(200);
    EXPECT_EQ(sink->events.size(), at_stop) << rate << " Hz";
  }
}

TEST_F(SimTest, AFilterChangeWhileStreamingChangesPaceAndSignalAtOnce) {
  SetSimVariable(L"CALDER_SIM_CARRIER_HZ", L"2000");  // inside the band at every rate
  auto sim = Create();
  auto sink = RecordingSink::Make();
  std::vector<int16_t> buffer(8192);
  FetchBlocksInHandler(sink.Get(), sim.Get(), &buffer);
  Connection connection(sim.Get(), sink.Get());
  ASSERT_EQ(PutInt(sim.Get(), kIFfilter, 12), S_OK);
  ASSERT_EQ(Start(sim.Get()), S_OK);
  PumpFor(300);
  ASSERT_GT(sink->Count(kOnDataRdy), 20u);

  // The user picks the lowest rate while the stream runs.
  ASSERT_EQ(PutInt(sim.Get(), kIFfilter, 0), S_OK);
  const size_t before = sink->Count(kOnDataRdy);
  const double start = NowSeconds();
  PumpFor(1000);
  const double expected = (NowSeconds() - start) * 8138 / 1024.0;
  const double received = static_cast<double>(sink->Count(kOnDataRdy) - before);
  EXPECT_GE(received, 0.7 * expected - 1);
  EXPECT_LE(received, 1.2 * expected + 2);
  CallMethod(sim.Get(), kStop, {});
  EXPECT_EQ(sink->failed_fetches, 0u);

  const std::vector<double> spectrum = Spectrum(buffer.data(), kBlockValues / 2);
  const size_t peak = std::max_element(spectrum.begin(), spectrum.end()) - spectrum.begin();
  EXPECT_EQ(peak, BinOf(2000, 8138, kBlockValues / 2));
}

TEST_F(SimTest, AThreadThatStalledGetsOneCappedBurstNotAFlood) {
  auto sim = Create();
  auto sink = RecordingSink::Make();
  Connection connection(sim.Get(), sink.Get());
  ASSERT_EQ(PutInt(sim.Get(), kIFfilter, 12), S_OK);  // 191 blocks a second
  ASSERT_EQ(Start(sim.Get()), S_OK);
  Sleep(1500);
  PumpFor(30);
  const std::vector<size_t> batches = DataBatches(*sink.Get());
  ASSERT_FALSE(batches.empty());
  EXPECT_LE(*std::max_element(batches.begin(), batches.end()), 48u);
  EXPECT_LT(sink->Count(kOnDataRdy), 80u);
}

TEST_F(SimTest, UnpacedModeFiresItsBatchFromEachMessage) {
  SetSimVariable(L"CALDER_SIM_UNPACED", L"8");
  auto sim = Create();
  auto sink = RecordingSink::Make();
  std::vector<int16_t> buffer(8192);
  FetchBlocksInHandler(sink.Get(), sim.Get(), &buffer);
  Connection connection(sim.Get(), sink.Get());
  ASSERT_EQ(PutInt(sim.Get(), kIFfilter, 0), S_OK);  // paced, this would be 8 blocks a second
  ASSERT_EQ(Start(sim.Get()), S_OK);
  PumpFor(300);
  ASSERT_EQ(CallMethod(sim.Get(), kStop, {}), S_OK);
  EXPECT_GT(sink->Count(kOnDataRdy), 400u);
  EXPECT_EQ(sink->failed_fetches, 0u);
  const std::vector<size_t> batches = DataBatches(*sink.Get());
  for (const size_t size : batches) EXPECT_EQ(size, 8u);
  const size_t at_stop = sink->events.size();
  PumpFor(100);
  EXPECT_EQ(sink->events.size(), at_stop);
}

TEST_F(SimTest, StampedBlocksCarryTheirNumberAcrossARestart) {
  SetSimVariable(L"CALDER_SIM_STAMP", L"1");
  SetSimVariable(L"CALDER_SIM_UNPACED", L"4");
  auto sim = Create();
  auto sink = RecordingSink::Make();
  std::vector<int16_t> buffer(8192);
  FetchBlocksInHandler(sink.Get(), sim.Get(), &buffer);
  std::vector<uint32_t> stamps;
  const auto fetch = sink->on_event;
  sink->on_event = [&](const Event& e) {
    fetch(e);
    if (e.id == kOnDataRdy)
      stamps.push_back(static_cast<uint16_t>(buffer[0]) |
                       static_cast<uint32_t>(static_cast<uint16_t>(buffer[1])) << 16);
  };
  Connection connection(sim.Get(), sink.Get());
  for (int run = 0; run < 2; ++run) {
    ASSERT_EQ(Start(sim.Get()), S_OK);
    PumpFor(100);
    ASSERT_EQ(CallMethod(sim.Get(), kStop, {}), S_OK);
  }
  ASSERT_GT(stamps.size(), 8u);
  for (size_t i = 0; i < stamps.size(); ++i) ASSERT_EQ(stamps[i], i);
}

TEST_F(SimTest, StopFromInsideAnEventEndsTheBatchAtOnce) {
  SetSimVariable(L"CALDER_SIM_UNPACED", L"10");
  auto sim = Create();
  auto sink = RecordingSink::Make();
  sink->on_event = [&](const Event&) {
    if (sink->events.size() == 3) {
      EXPECT_EQ(CallMethod(sim.Get(), kStop, {}), S_OK);
    }
  };
  Connection connection(sim.Get(), sink.Get());
  ASSERT_EQ(Start(sim.Get()), S_OK);
  PumpFor(200);
  EXPECT_EQ(sink->Count(kOnDataRdy), 3u);
}

TEST_F(SimTest, ASinkThatRestartsAndPumpsInsideAnEventKeepsTheStreamGoing) {
  SetSimVariable(L"CALDER_SIM_UNPACED", L"4");
  auto sim = Create();
  auto sink = RecordingSink::Make();
  bool restarted = false;
  sink->on_event = [&](const Event&) {
    if (restarted) return;
    restarted = true;
    CallMethod(sim.Get(), kStop, {});
    Start(sim.Get());
    PumpFor(30);  // a modal loop inside the handler
  };
  Connection connection(sim.Get(), sink.Get());
  ASSERT_EQ(Start(sim.Get()), S_OK);
  PumpFor(200);
  EXPECT_GT(sink->Count(kOnDataRdy), 50u);
  for (const size_t size : DataBatches(*sink.Get())) EXPECT_LE(size, 4u);
}

TEST_F(SimTest, ASinkMayUnadviseAndReleaseTheComponentFromInsideAnEvent) {
  SetSimVariable(L"CALDER_SIM_UNPACED", L"5");
  auto sim = Create();
  auto sink = RecordingSink::Make();
  auto connection = std::make_unique<Connection>(sim.Get(), sink.Get());
  sink->on_event = [&](const Event&) {
    connection.reset();  // unadvises
    sim.Reset();         // the last reference: the component goes with its window
  };
  ASSERT_EQ(Start(sim.Get()), S_OK);
  PumpFor(200);
  EXPECT_EQ(sink->events.size(), 1u);
  EXPECT_EQ(sim, nullptr);
}

TEST_F(SimTest, DeliveredBlocksCarryTheConfiguredCarrier) {
  SetSimVariable(L"CALDER_SIM_CARRIER_HZ", L"-20000");
  SetSimVariable(L"CALDER_SIM_UNPACED", L"1");
  auto sim = Create();
  auto sink = RecordingSink::Make();
  std::vector<int16_t> buffer(8192);
  FetchBlocksInHandler(sink.Get(), sim.Get(), &buffer);
  Connection connection(sim.Get(), sink.Get());
  ASSERT_EQ(PutInt(sim.Get(), kIFfilter, 4), S_OK);  // 111,111 Hz
  ASSERT_EQ(Start(sim.Get()), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return sink->Count(kOnDataRdy) >= 2; }, 1000));
  CallMethod(sim.Get(), kStop, {});

  const std::vector<double> spectrum = Spectrum(buffer.data(), kBlockValues / 2);
  const size_t expected = BinOf(-20000, 111111, kBlockValues / 2);
  const size_t peak = std::max_element(spectrum.begin(), spectrum.end()) - spectrum.begin();
  EXPECT_EQ(peak, expected);
  EXPECT_GT(spectrum[expected], 100 * spectrum[(kBlockValues / 2 - expected)]);
}

}  // namespace
}  // namespace calder::sim::testing
