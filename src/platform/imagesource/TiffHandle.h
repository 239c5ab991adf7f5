#pragma once

#include "platform/imagesource/EncodedBytes.h"

typedef struct tiff TIFF;

// A read-only libtiff handle over encoded bytes, in memory or in a file. libtiff's warnings and
// errors about damaged data go nowhere (the caller's failure path speaks for
// them), and no single allocation of libtiff's own exceeds the decode budget.
class TiffHandle {
public:
  explicit TiffHandle(const EncodedBytes& bytes);
  ~TiffHandle();
  TiffHandle(const TiffHandle&) = delete;
  TiffHandle& operator=(const TiffHandle&) = delete;

  // Null when libtiff cannot read the header and first directory.
  TIFF* handle() const { return tiff; }

  // The pages in the bytes (directories that are no reduced copy of
  // another), reading no more than `limit` directories so that a looping
  // chain ends; 0 when the header is unreadable.
  static int pageCount(const EncodedBytes& bytes, int limit);

private:
  EncodedBytes::Reader input;
  TIFF* tiff = nullptr;
};
