#include "ZEVAClientIntf.h"

CZEVAClientIntf::CZEVAClientIntf() = default;
CZEVAClientIntf::CZEVAClientIntf(const CZEVAClientIntf& other) = default;
CZEVAClientIntf& CZEVAClientIntf::operator=(const CZEVAClientIntf& other) = default;
CZEVAClientIntf::~CZEVAClientIntf() = default;
