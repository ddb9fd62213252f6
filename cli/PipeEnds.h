// "-" as the input reads standard input, "-" as the output writes standard
// output. Both go through temporary files: the input because decoding needs
// the whole file, the output so that a failed run writes nothing at all.
#pragma once

#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/Failure.h"

struct PipeEnds {
  std::string input;   // what to read: the operand, or standard input's copy
  std::string output;  // what to write: the operand, or the file standard output gets
  bool toStandardOutput = false;
  std::string scratch;  // the temporary directory, or empty

  ~PipeEnds();
};

// The option that names standard output's format.
OptionSpec PipeFormatOption();

// Copies standard input aside when input is "-", and gives "-" as output a
// file of the --format asked for.
Failure OpenPipeEnds(const ParsedArguments& arguments, const std::string& input, const std::string& output,
                     PipeEnds* ends);
// A batch names its files: standard input and output take part only in a
// run of one image.
Failure CheckNoPipesInBatch(const ParsedArguments& arguments, const std::vector<std::string>& inputs);
// After the run: on success the output goes to standard output; a failure's
// message names the pipes, not the temporary files.
Failure FinishPipeEnds(PipeEnds* ends, Failure run);
