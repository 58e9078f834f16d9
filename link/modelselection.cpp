#include "link/modelselection.h"

#include "link/modelcode.h"

namespace {
const ModelCodeSource* g_source = nullptr;
}

void SetModelCodeSource(const ModelCodeSource* source) { g_source = source; }

uint8_t CurrentModelState() { return g_source != nullptr ? g_source->ModelState() : 255; }
uint8_t CurrentModelCode1() { return g_source != nullptr ? g_source->ModelCode1() : 0; }
uint8_t CurrentModelCode2() { return g_source != nullptr ? g_source->ModelCode2() : 0; }

FixedModelCode::FixedModelCode()
    : state_(0), code1_(QUORLA_Z40_MODEL_CODE_1), code2_(QUORLA_Z40_MODEL_CODE_2) {}
