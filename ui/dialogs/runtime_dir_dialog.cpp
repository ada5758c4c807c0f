#include "ui/dialogs/runtime_dir_dialog.h"

#include "config/profile_keys.h"

namespace fennel {

void CRuntimeDirDialog::OnInitDialog() { directory = AppProfile(profile_).RuntimeDir(kRuntimeDirUnset); }

void CRuntimeDirDialog::OnBrowse() {
  if (auto chosen = picker_.PickFolder(kBrowseTitle, directory); chosen && *chosen != directory) directory = *chosen;
}

void CRuntimeDirDialog::OnOK() { AppProfile(profile_).SetRuntimeDir(directory); }

}  // namespace fennel
