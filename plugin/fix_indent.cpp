#include "plugin/fix_indent.h"

#include "operations/part_indent_fixer.h"
#include "records/parts.h"

bool FixIndent(const QCMusicRegion& region) {
  QCParts parts;
  parts.LoadAll();
  QCPartIndentFixer fixer(region.StartMeasure, region.EndMeasure);
  parts.ForEachPart(fixer);
  return true;
}
