#include "update/FetchForms.h"

#include <cstdio>

#include "update/UpdateModel.h"

namespace Update {

namespace {

bool Fits(int written, std::size_t size)
{
    return written > 0 && static_cast<std::size_t>(written) < size;
}

} // namespace

bool FormatFormSource(const File& file, FetchForm form, const StagingPaths& paths, FormSource& source)
{
    const char* url = file.GetUrl();
    // A form larger than any file of ours is not worth a byte of the line;
    // the unpackers would refuse it anyway.
    if ((form == FetchForm::Patch && file.GetPatchSize() > kMaxFileSize) ||
        (form == FetchForm::Gzip && file.GetGzSize() > kMaxFileSize))
        return false;
    switch (form) {
    case FetchForm::Patch: {
        if (!file.HasPatch())
            return false;
        const char* from = file.GetPatchFrom().ToString();
        source.size = file.GetPatchSize();
        return Fits(std::snprintf(source.url, sizeof source.url, "%s.from-%s.patch", url, from),
                    sizeof source.url) &&
               Fits(std::snprintf(source.download, sizeof source.download, "%s.from-%s.patch", paths.download,
                                  from),
                    sizeof source.download);
    }
    case FetchForm::Gzip:
        if (file.GetGzSize() == 0)
            return false;
        source.size = file.GetGzSize();
        return Fits(std::snprintf(source.url, sizeof source.url, "%s.gz", url), sizeof source.url) &&
               Fits(std::snprintf(source.download, sizeof source.download, "%s.gz", paths.download),
                    sizeof source.download);
    case FetchForm::Plain:
        source.size = file.GetSize();
        return Fits(std::snprintf(source.url, sizeof source.url, "%s", url), sizeof source.url) &&
               Fits(std::snprintf(source.download, sizeof source.download, "%s", paths.download),
                    sizeof source.download);
    }
    return false;
}

} // namespace Update
