#include "core/image_table.h"

#include <mutex>
#include <unordered_map>

namespace ov {
namespace {

std::mutex g_mutex;
std::unordered_map<OV_IMAGE, std::unique_ptr<ImageRecord>> g_images;
OV_IMAGE g_next = 1;

}  // namespace

OV_IMAGE addImage(std::unique_ptr<ImageRecord> record) {
  std::lock_guard lock(g_mutex);
  if (g_next == 0) return 0;  // all 2^32 - 1 handles used
  const OV_IMAGE handle = g_next++;
  g_images.emplace(handle, std::move(record));
  return handle;
}

OV_IMAGE addImage(Dib dib, const ImageAttributes& attributes) {
  auto record = std::make_unique<ImageRecord>();
  record->dib = std::move(dib);
  record->attributes = attributes;
  return addImage(std::move(record));
}

ImageRecord* findImage(OV_IMAGE handle) {
  std::lock_guard lock(g_mutex);
  auto it = g_images.find(handle);
  return it == g_images.end() ? nullptr : it->second.get();
}

bool removeImage(OV_IMAGE handle) {
  std::unique_ptr<ImageRecord> doomed;  // freed outside the lock
  std::lock_guard lock(g_mutex);
  auto it = g_images.find(handle);
  if (it == g_images.end()) return false;
  doomed = std::move(it->second);
  g_images.erase(it);
  return true;
}

}  // namespace ov
