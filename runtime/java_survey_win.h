#ifndef TESSARY_RUNTIME_JAVA_SURVEY_WIN_H_
#define TESSARY_RUNTIME_JAVA_SURVEY_WIN_H_

#include <windows.h>

namespace tessary {

// Shown after the message that no runtime, or no recent one, was found: one more box naming
// the Java installations registered elsewhere that the launcher cannot use, and what to do,
// when there are any. `root` stands for HKEY_LOCAL_MACHINE, so that tests can use another;
// vendors' keys are also read under HKEY_CURRENT_USER, where per-user installs register.
// Reads a bounded number of keys, then the files of at most kInstallationsExaminedAtMost
// folders, and writes nothing; whatever cannot be read is traced and passed over.
void ExplainUnusedJava(HKEY root);

}  // namespace tessary

#endif  // TESSARY_RUNTIME_JAVA_SURVEY_WIN_H_
