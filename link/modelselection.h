// The narrow accessor through which the units get ModelState and the ModelCode bytes. The printer
// selection window owns the values and registers itself as the source; tests register a fixed one.
#pragma once

#include <cstdint>

class ModelCodeSource {
 public:
  virtual ~ModelCodeSource() = default;
  virtual uint8_t ModelState() const = 0;
  virtual uint8_t ModelCode1() const = 0;
  virtual uint8_t ModelCode2() const = 0;
};

// Registers the source (nullptr unregisters). The source must outlive its registration.
void SetModelCodeSource(const ModelCodeSource* source);

// The registered source's values; without a source: ModelState 255, ModelCode 0, 0.
uint8_t CurrentModelState();
uint8_t CurrentModelCode1();
uint8_t CurrentModelCode2();

// A source holding fixed values; by default the Quorla Z40's.
class FixedModelCode : public ModelCodeSource {
 public:
  FixedModelCode();
  FixedModelCode(uint8_t state, uint8_t code1, uint8_t code2)
      : state_(state), code1_(code1), code2_(code2) {}
  uint8_t ModelState() const override { return state_; }
  uint8_t ModelCode1() const override { return code1_; }
  uint8_t ModelCode2() const override { return code2_; }

 private:
  uint8_t state_;
  uint8_t code1_;
  uint8_t code2_;
};
