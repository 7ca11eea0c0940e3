#ifndef TESSARY_TESTS_WIN_TEST_SEAMS_H_
#define TESSARY_TESTS_WIN_TEST_SEAMS_H_

#include <string>
#include <vector>

#include "base/exit_code.h"
#include "base/seams.h"

namespace tessary::test_support {

// Thrown by the test's "end the process": the code under test stops there, as it would.
struct ProcessEnded {
  ExitCode code;
};

// While alive, message boxes are recorded instead of shown, and ending the process throws
// ProcessEnded.
class RecordingSeams {
 public:
  RecordingSeams();
  ~RecordingSeams();
  RecordingSeams(const RecordingSeams&) = delete;
  RecordingSeams& operator=(const RecordingSeams&) = delete;

  const std::vector<std::wstring>& messages() const;

 private:
  Seams previous_;
};

}  // namespace tessary::test_support

#endif  // TESSARY_TESTS_WIN_TEST_SEAMS_H_
