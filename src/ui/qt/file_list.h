// The main window's list of presentations and its modified flag, with the
// rules of the Add and Remove commands. No widgets: the list view mirrors it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace orv {

class FileList {
 public:
  // The Add command never lets the list grow past this; a scheme may hold more.
  static constexpr std::size_t kAddLimit = 100;

  const std::vector<std::string>& entries() const { return entries_; }
  bool empty() const { return entries_.empty(); }
  std::size_t size() const { return entries_.size(); }
  bool modified() const { return modified_; }

  // Appends the paths in order while the list holds fewer than 100 entries;
  // at the limit "只可添加前 100 个幻灯片文件" is shown once and the rest is
  // dropped. Duplicates are kept. Returns the number appended.
  std::size_t Add(const std::vector<std::string>& paths);

  // Removes the given rows, the last one first; "请先选择文件" when none is
  // given. Rows outside the list are ignored. False when nothing was selected.
  bool Remove(std::vector<int> rows);

  // After a load from a scheme: the list is replaced and counts as saved.
  void Replace(std::vector<std::string> paths);
  void Clear();
  void MarkSaved() { modified_ = false; }

 private:
  std::vector<std::string> entries_;
  bool modified_ = false;
};

}  // namespace orv
