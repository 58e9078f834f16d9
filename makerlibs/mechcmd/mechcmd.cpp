// Mechanism library: each function is one request on the packet library's control channel.
#include "link/mechcmd.h"

#include "makerlibs/d4/commands.h"
#include "makerlibs/d4/d4.h"
#include "makerlibs/pktlink/controlcall.h"

namespace {
int16_t Command(uint8_t command, const std::vector<uint8_t>& args) {
  return quorla::link::ControlCall(command, args, nullptr, 0, d4::err::ErrPacketReplyInvalid);
}
}  // namespace

int16_t HeadCleaning(uint8_t modelCode1, uint8_t modelCode2, uint8_t mode) {
  return Command(d4::cmd::kHeadCleaning, {modelCode1, modelCode2, mode});
}

int16_t DriveCR(uint8_t modelCode1, uint8_t modelCode2, uint8_t mode, uint8_t direction,
                uint8_t amountLow, uint8_t amountHigh) {
  return Command(d4::cmd::kDriveCR,
                 {modelCode1, modelCode2, mode, direction, amountLow, amountHigh});
}

int16_t DrivePF(uint8_t modelCode1, uint8_t modelCode2, uint8_t mode, uint8_t direction,
                uint8_t amountLow, uint8_t amountHigh) {
  return Command(d4::cmd::kDrivePF,
                 {modelCode1, modelCode2, mode, direction, amountLow, amountHigh});
}

int16_t CRHomeReturn(uint8_t modelCode1, uint8_t modelCode2) {
  return Command(d4::cmd::kCRHomeReturn, {modelCode1, modelCode2});
}

int16_t ColorFlushing(uint8_t modelCode1, uint8_t modelCode2, uint8_t parameter1,
                      uint8_t parameter2, uint8_t amountLow, uint8_t amountHigh) {
  return Command(d4::cmd::kColorFlushing,
                 {modelCode1, modelCode2, parameter1, parameter2, amountLow, amountHigh});
}

int16_t WaitTime(uint8_t modelCode1, uint8_t modelCode2, uint8_t value) {
  return Command(d4::cmd::kWaitTime, {modelCode1, modelCode2, value});
}

int16_t PowerOnInitialize(uint8_t modelCode1, uint8_t modelCode2) {
  return Command(d4::cmd::kPowerOnInitialize, {modelCode1, modelCode2});
}

int16_t SaveAllCurrentData(uint8_t modelCode1, uint8_t modelCode2) {
  return Command(d4::cmd::kSaveAllCurrentData, {modelCode1, modelCode2});
}

int16_t WriteBid(uint8_t modelCode1, uint8_t modelCode2, uint8_t dropSize, uint8_t inkGroup,
                 uint8_t value) {
  return Command(d4::cmd::kWriteBid, {modelCode1, modelCode2, dropSize, inkGroup, value});
}

int16_t ReadCrtag(uint8_t modelCode1, uint8_t modelCode2, uint8_t cartridge, uint8_t address,
                  uint8_t* value) {
  if (value == nullptr) return quorla::link::RefuseCall(d4::err::InvalidParameter);
  std::vector<uint8_t> data;
  const int16_t result =
      quorla::link::ControlCall(d4::cmd::kReadCrtag, {modelCode1, modelCode2, cartridge, address},
                                &data, 1, d4::err::ErrPacketReplyInvalid);
  if (result == d4::result::Ok) *value = data[0];
  return result;
}
