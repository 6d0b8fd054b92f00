// The operations velimg runs on an image file, named after the interface
// operations in lower case with dashes.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "Images.h"

namespace velimg {

// A bad argument: the message names the accepted form.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Arguments {
public:
    Arguments(std::string operation, std::string form, const std::string& text);
    size_t Count() const { return values_.size(); }
    int32_t Int(size_t index, int32_t low, int32_t high) const;
    float Float(size_t index, float low, float high) const;
    uint32_t Colour(size_t index) const;  // RRGGBB or AARRGGBB in hex
    const std::string& Text(size_t index) const;
    void ExpectCount(size_t low, size_t high) const;
    [[noreturn]] void Fail(const std::string& why) const;

private:
    std::string operation_;
    std::string form_;
    std::vector<std::string> values_;
};

struct Operation {
    const char* name;
    const char* form;  // the arguments after --name, empty for none
    const char* summary;
    // Checks the arguments (throwing UsageError) and, with an image, runs
    // the operation on it; it may replace the image with a new one.
    void (*run)(ArgbImage* image, const Arguments& arguments);
};

const std::vector<Operation>& AllOperations();
const Operation* FindOperation(const std::string& name);

// One step of a chain: an operation and its argument text.
struct Step {
    const Operation* operation;
    std::string argumentText;
};

// Checks every step's arguments without running anything.
void CheckSteps(const std::vector<Step>& steps);
// Runs the steps in order; throws std::runtime_error when one cannot run.
void RunSteps(ArgbImage& image, const std::vector<Step>& steps);

}  // namespace velimg
