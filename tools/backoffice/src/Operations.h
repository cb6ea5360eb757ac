#pragma once
// Every operation of the back-office service: X(name, in0 present, answer kind).
// Answer kinds: TEXT (xsd:string), BOOL (xsd:boolean), SURVEY (ns2:AppSurveyInfo).

#define ZEVA_BSERVICE_OPERATIONS(X)         \
    X(checkAccountPassword, IN0, BOOL)      \
    X(checkFeedback, IN0, TEXT)             \
    X(checkIsSendSurveyPage, IN0, TEXT)     \
    X(checkPushFeedback, IN0, TEXT)         \
    X(failSpeedUser, IN0, TEXT)             \
    X(get691Index, IN0, TEXT)               \
    X(getAccountByIpAddress, IN0, TEXT)     \
    X(getAccountCity, IN0, TEXT)            \
    X(getAccountNetType, IN0, TEXT)         \
    X(getAccountStatus, IN0, TEXT)          \
    X(getBandWidth, IN0, TEXT)              \
    X(getChangePasswordUrl, IN0, TEXT)      \
    X(getCurrentAccount, NOIN0, TEXT)       \
    X(getDialUpHistoryUrl, IN0, TEXT)       \
    X(getDialUpTimes, IN0, TEXT)            \
    X(getDnsInfo, IN0, TEXT)                \
    X(getFeeInfoPush, IN0, TEXT)            \
    X(getIpAddress, NOIN0, TEXT)            \
    X(getIpAddressAccount, NOIN0, TEXT)     \
    X(getLastDialUpError, IN0, TEXT)        \
    X(getLineInfo, IN0, TEXT)               \
    X(getLinkInfo, IN0, TEXT)               \
    X(getObjectNo, IN0, TEXT)               \
    X(getSelfServiceInfo, IN0, SURVEY)      \
    X(getSpeedConfigList, IN0, TEXT)        \
    X(getStatDayUserNum, IN0, TEXT)         \
    X(getTestVideoConfigList, NOIN0, TEXT)  \
    X(getUserAgreementExpires, IN0, TEXT)   \
    X(getUserBalance, IN0, TEXT)            \
    X(getUserMoneyGain, IN0, TEXT)          \
    X(getUserNameAndWorkListNum, IN0, TEXT) \
    X(getUserRemainingSum, IN0, TEXT)       \
    X(InfoPush, IN0, TEXT)                  \
    X(notSendAccServlet, IN0, TEXT)         \
    X(selectSpeedResult, IN0, TEXT)         \
    X(sendAccServlet, IN0, TEXT)            \
    X(sendSurveyServlet, IN0, TEXT)         \
    X(setClientFunctionUsage, IN0, BOOL)    \
    X(setDownSpeedAnalyse, IN0, BOOL)       \
    X(setErrorHistory, IN0, TEXT)           \
    X(setErrorITV, IN0, TEXT)               \
    X(setHttpDeepInfo, IN0, BOOL)           \
    X(setHttpInfo, IN0, BOOL)               \
    X(setSpeedbgInfo, IN0, BOOL)            \
    X(setSpeedInfo, IN0, BOOL)              \
    X(setUseInfo, IN0, BOOL)                \
    X(setVPDNUsage, IN0, BOOL)              \
    X(setWitespeedSlow, IN0, TEXT)          \
    X(testSurveyInterface, IN0, TEXT)       \
    X(updateSpeedInfo, NOIN0, TEXT)         \
    X(upFinish, IN0, TEXT)
