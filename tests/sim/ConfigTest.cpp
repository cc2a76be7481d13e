// Reading the stand-in's configuration and running its status script.
#include <gtest/gtest.h>

#include <map>

#include "sim/SimConfig.h"
#include "sim/StatusScript.h"

namespace calder::sim {
namespace {

SimConfig Parse(const std::map<std::wstring, std::wstring>& variables) {
  return ParseSimConfig([&](const wchar_t* name) -> std::optional<std::wstring> {
    const auto found = variables.find(name);
    if (found == variables.end()) return std::nullopt;
    return found->second;
  });
}

TEST(SimConfig, DefaultsDescribeAPresentCalderReceiver) {
  const SimConfig config = Parse({});
  EXPECT_EQ(config.status_steps, (std::vector<StatusStep>{{1, std::nullopt}}));
  EXPECT_EQ(config.device_name, L"Calder");
  EXPECT_FALSE(config.serial_number.empty());
  EXPECT_EQ(config.carrier_offset_hz, 10000.0);
  EXPECT_EQ(config.iq_offset, 0.0125);
  EXPECT_TRUE(config.failing_dispids.empty());
  EXPECT_FALSE(config.reported_count);
  EXPECT_EQ(config.unpaced_batch, 0);
  EXPECT_TRUE(config.log_path.empty());
}

TEST(SimConfig, ReadsEveryVariable) {
  const SimConfig config = Parse({{L"CALDER_SIM_STATUS", L"0, 1@300"},
                                  {L"CALDER_SIM_DEVICE", L"calder-x"},
                                  {L"CALDER_SIM_SERIAL", L"<empty>"},
                                  {L"CALDER_SIM_CARRIER_HZ", L"-2500.5"},
                                  {L"CALDER_SIM_IQOFFSET", L"-0.5"},
                                  {L"CALDER_SIM_FAIL", L"4,13, 21"},
                                  {L"CALDER_SIM_COUNT", L"-5"},
                                  {L"CALDER_SIM_UNPACED", L"16"},
                                  {L"CALDER_SIM_LOG", L"C:\\t\\sim.log"},
                                  {L"CALDER_SIM_FAIL_SWITCH", L" phase-7 "},
                                  {L"CALDER_SIM_STAMP", L"1"},
                                  {L"CALDER_SIM_FIRE_INSIDE", L"8, 14"},
                                  {L"CALDER_SIM_REFUSE", L"10=100, 4=-15"}});
  EXPECT_EQ(config.status_steps, (std::vector<StatusStep>{{0, std::nullopt}, {1, 300}}));
  EXPECT_EQ(config.device_name, L"calder-x");
  EXPECT_EQ(config.serial_number, L"");
  EXPECT_EQ(config.carrier_offset_hz, -2500.5);
  EXPECT_EQ(config.iq_offset, -0.5);
  EXPECT_EQ(config.failing_dispids, (std::set<int32_t>{4, 13, 21}));
  EXPECT_EQ(config.reported_count, -5);
  EXPECT_EQ(config.unpaced_batch, 16);
  EXPECT_EQ(config.log_path, L"C:\\t\\sim.log");
  EXPECT_EQ(config.fail_switch, L"phase-7");
  EXPECT_TRUE(config.stamp_blocks);
  EXPECT_EQ(config.fire_inside_dispids, (std::set<int32_t>{8, 14}));
  EXPECT_EQ(config.refused_puts, (std::set<std::pair<int32_t, int32_t>>{{10, 100}, {4, -15}}));

  EXPECT_TRUE(ParseStatusList(L"none").empty());
  EXPECT_EQ(ParseStatusList(L"3"), (std::vector<StatusStep>{{3, std::nullopt}}));
  EXPECT_EQ(Parse({{L"CALDER_SIM_COUNT", L"9000"}}).reported_count, 9000);
  // Blank numbers are as good as unset.
  EXPECT_EQ(Parse({{L"CALDER_SIM_STATUS", L" "}, {L"CALDER_SIM_COUNT", L""}}).status_steps,
            Parse({}).status_steps);
}

TEST(SimConfig, RejectsTextItCannotUseAndNamesTheVariable) {
  const std::pair<const wchar_t*, const wchar_t*> bad[] = {
      {L"CALDER_SIM_STATUS", L"one"},       {L"CALDER_SIM_STATUS", L"1@"},
      {L"CALDER_SIM_STATUS", L"1,,2"},      {L"CALDER_SIM_STATUS", L"1@-5"},
      {L"CALDER_SIM_STATUS", L"1 @ x"},     {L"CALDER_SIM_CARRIER_HZ", L"10k"},
      {L"CALDER_SIM_IQOFFSET", L"nan"},     {L"CALDER_SIM_FAIL", L"4;5"},
      {L"CALDER_SIM_COUNT", L"3000000000"}, {L"CALDER_SIM_UNPACED", L"-1"},
      {L"CALDER_SIM_STAMP", L"2"},          {L"CALDER_SIM_FIRE_INSIDE", L"8 14"},
      {L"CALDER_SIM_REFUSE", L"10"},        {L"CALDER_SIM_REFUSE", L"10=x"},
  };
  for (const auto& [name, value] : bad) {
    try {
      Parse({{name, value}});
      ADD_FAILURE() << "accepted " << std::string(name, name + wcslen(name));
    } catch (const ConfigError& error) {
      EXPECT_NE(std::string(error.what()).find(std::string(name, name + wcslen(name))),
                std::string::npos);
    }
  }
}

TEST(StatusScript, FirstAnswerWaitsForThePostedMessageLaterOnesForTheirTime) {
  StatusScript script({{0, std::nullopt}, {1, 300}, {3, 500}});
  script.Restart();
  EXPECT_TRUE(script.TakeDue(1000).empty());  // the message has not been handled yet
  script.MessageHandled();
  EXPECT_EQ(script.TakeDue(5), std::vector<int32_t>{0});
  EXPECT_TRUE(script.TakeDue(299).empty());
  EXPECT_EQ(script.TakeDue(300), std::vector<int32_t>{1});
  EXPECT_FALSE(script.Done());
  EXPECT_EQ(script.TakeDue(900), std::vector<int32_t>{3});
  EXPECT_TRUE(script.Done());

  // A new InitControl starts the same answers over.
  script.Restart();
  script.MessageHandled();
  EXPECT_EQ(script.TakeDue(600), (std::vector<int32_t>{0, 1, 3}));
}

TEST(StatusScript, TimedFirstStepAndListOrder) {
  // A timed first step does not need the message; a step never overtakes the one before.
  StatusScript script({{2, 100}, {7, std::nullopt}, {3, 50}});
  script.Restart();
  EXPECT_TRUE(script.TakeDue(60).empty());
  EXPECT_EQ(script.TakeDue(100), std::vector<int32_t>{2});
  script.MessageHandled();
  EXPECT_EQ(script.TakeDue(100), (std::vector<int32_t>{7, 3}));

  StatusScript silent(std::vector<StatusStep>{});
  silent.MessageHandled();
  EXPECT_TRUE(silent.TakeDue(100000).empty());
  EXPECT_TRUE(silent.Done());
}

}  // namespace
}  // namespace calder::sim
