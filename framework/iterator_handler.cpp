#include "framework/iterator_handler.h"

const char* QCIteratorHandler::ClassName() const {
  static constexpr char kName[] = "QCIteratorHandler";
  return kName;
}

bool QCIteratorHandler::IterateIndexed(QCBase* /*element*/, int32_t /*position*/) {
  return true;
}

bool QCIteratorHandler::Match(QCBase* /*element*/) {
  return false;
}
