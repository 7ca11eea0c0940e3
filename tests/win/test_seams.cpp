#include "test_seams.h"

namespace tessary::test_support {
namespace {

std::vector<std::wstring> g_messages;

void RecordMessage(const std::wstring& text) { g_messages.push_back(text); }
void ThrowProcessEnded(ExitCode code) { throw ProcessEnded{code}; }

}  // namespace

RecordingSeams::RecordingSeams() {
  g_messages.clear();
  previous_ = InstallSeams(Seams{RecordMessage, ThrowProcessEnded});
}

RecordingSeams::~RecordingSeams() { InstallSeams(previous_); }

const std::vector<std::wstring>& RecordingSeams::messages() const { return g_messages; }

}  // namespace tessary::test_support
