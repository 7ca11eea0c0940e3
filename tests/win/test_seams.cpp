#include "test_seams.h"

namespace tessary::test_support {
namespace {

std::vector<std::wstring> g_messages;
std::vector<unsigned> g_sleeps;

void RecordMessage(const std::wstring& text) { g_messages.push_back(text); }
void ThrowProcessEnded(ExitCode code) { throw ProcessEnded{code}; }
void RecordSleep(unsigned milliseconds) { g_sleeps.push_back(milliseconds); }

}  // namespace

RecordingSeams::RecordingSeams() {
  g_messages.clear();
  g_sleeps.clear();
  previous_ = InstallSeams(Seams{RecordMessage, ThrowProcessEnded, RecordSleep});
}

RecordingSeams::~RecordingSeams() { InstallSeams(previous_); }

const std::vector<std::wstring>& RecordingSeams::messages() const { return g_messages; }
const std::vector<unsigned>& RecordingSeams::sleeps() const { return g_sleeps; }

}  // namespace tessary::test_support
