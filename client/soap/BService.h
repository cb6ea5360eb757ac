// Service description of the back-office web service, written for soapcpp2.
// SOAP 1.1, document/literal wrapped: every operation element holds at most
// one ns1:in0 string, every answer element at most one ns1:out. Strings are
// char* so that SOAP_C_UTFSTRING passes UTF-8 through unchanged.

//gsoap ns2 schema namespace: http://bo.kelv.pelmo.com
//gsoap ns2 schema form: qualified
//gsoap ns1 schema namespace: http://service.kelv.pelmo.com
//gsoap ns1 schema form: qualified

//gsoap ns1 service name: BService
//gsoap ns1 service type: BServicePortType
//gsoap ns1 service port: http://127.0.0.1:16905/kelv/BService.ws
//gsoap ns1 service namespace: http://service.kelv.pelmo.com
//gsoap ns1 service style: document
//gsoap ns1 service encoding: literal

typedef long long xsd__long;
typedef time_t xsd__dateTime;

// A satisfaction survey of a service visit; every child is optional.
class ns2__AppSurveyInfo {
  public:
    char *advice 0;
    char *area 0;
    char *areaname 0;
    xsd__dateTime *bookdate 0;
    char *clean 0;
    xsd__dateTime *createdate 0;
    xsd__dateTime *ctime 0;
    char *dress 0;
    xsd__dateTime *finishdate 0;
    char *opercode 0;
    char *opername 0;
    char *ordercode 0;
    char *reason 0;
    char *shoes 0;
    char *sitisfy 0;
    xsd__long *surveyid 0;
    char *teach 0;
    char *userid 0;
};

struct ns1__checkAccountPasswordResponse { bool *out 0; };
//gsoap ns1 service method-action: checkAccountPassword ""
int ns1__checkAccountPassword(char *in0, struct ns1__checkAccountPasswordResponse &result);

struct ns1__checkFeedbackResponse { char *out 0; };
//gsoap ns1 service method-action: checkFeedback ""
int ns1__checkFeedback(char *in0, struct ns1__checkFeedbackResponse &result);

struct ns1__checkIsSendSurveyPageResponse { char *out 0; };
//gsoap ns1 service method-action: checkIsSendSurveyPage ""
int ns1__checkIsSendSurveyPage(char *in0, struct ns1__checkIsSendSurveyPageResponse &result);

struct ns1__checkPushFeedbackResponse { char *out 0; };
//gsoap ns1 service method-action: checkPushFeedback ""
int ns1__checkPushFeedback(char *in0, struct ns1__checkPushFeedbackResponse &result);

struct ns1__failSpeedUserResponse { char *out 0; };
//gsoap ns1 service method-action: failSpeedUser ""
int ns1__failSpeedUser(char *in0, struct ns1__failSpeedUserResponse &result);

struct ns1__get691IndexResponse { char *out 0; };
//gsoap ns1 service method-action: get691Index ""
int ns1__get691Index(char *in0, struct ns1__get691IndexResponse &result);

struct ns1__getAccountByIpAddressResponse { char *out 0; };
//gsoap ns1 service method-action: getAccountByIpAddress ""
int ns1__getAccountByIpAddress(char *in0, struct ns1__getAccountByIpAddressResponse &result);

struct ns1__getAccountCityResponse { char *out 0; };
//gsoap ns1 service method-action: getAccountCity ""
int ns1__getAccountCity(char *in0, struct ns1__getAccountCityResponse &result);

struct ns1__getAccountNetTypeResponse { char *out 0; };
//gsoap ns1 service method-action: getAccountNetType ""
int ns1__getAccountNetType(char *in0, struct ns1__getAccountNetTypeResponse &result);

struct ns1__getAccountStatusResponse { char *out 0; };
//gsoap ns1 service method-action: getAccountStatus ""
int ns1__getAccountStatus(char *in0, struct ns1__getAccountStatusResponse &result);

struct ns1__getBandWidthResponse { char *out 0; };
//gsoap ns1 service method-action: getBandWidth ""
int ns1__getBandWidth(char *in0, struct ns1__getBandWidthResponse &result);

struct ns1__getChangePasswordUrlResponse { char *out 0; };
//gsoap ns1 service method-action: getChangePasswordUrl ""
int ns1__getChangePasswordUrl(char *in0, struct ns1__getChangePasswordUrlResponse &result);

struct ns1__getCurrentAccountResponse { char *out 0; };
//gsoap ns1 service method-action: getCurrentAccount ""
int ns1__getCurrentAccount(struct ns1__getCurrentAccountResponse &result);

struct ns1__getDialUpHistoryUrlResponse { char *out 0; };
//gsoap ns1 service method-action: getDialUpHistoryUrl ""
int ns1__getDialUpHistoryUrl(char *in0, struct ns1__getDialUpHistoryUrlResponse &result);

struct ns1__getDialUpTimesResponse { char *out 0; };
//gsoap ns1 service method-action: getDialUpTimes ""
int ns1__getDialUpTimes(char *in0, struct ns1__getDialUpTimesResponse &result);

struct ns1__getDnsInfoResponse { char *out 0; };
//gsoap ns1 service method-action: getDnsInfo ""
int ns1__getDnsInfo(char *in0, struct ns1__getDnsInfoResponse &result);

struct ns1__getFeeInfoPushResponse { char *out 0; };
//gsoap ns1 service method-action: getFeeInfoPush ""
int ns1__getFeeInfoPush(char *in0, struct ns1__getFeeInfoPushResponse &result);

struct ns1__getIpAddressResponse { char *out 0; };
//gsoap ns1 service method-action: getIpAddress ""
int ns1__getIpAddress(struct ns1__getIpAddressResponse &result);

struct ns1__getIpAddressAccountResponse { char *out 0; };
//gsoap ns1 service method-action: getIpAddressAccount ""
int ns1__getIpAddressAccount(struct ns1__getIpAddressAccountResponse &result);

struct ns1__getLastDialUpErrorResponse { char *out 0; };
//gsoap ns1 service method-action: getLastDialUpError ""
int ns1__getLastDialUpError(char *in0, struct ns1__getLastDialUpErrorResponse &result);

struct ns1__getLineInfoResponse { char *out 0; };
//gsoap ns1 service method-action: getLineInfo ""
int ns1__getLineInfo(char *in0, struct ns1__getLineInfoResponse &result);

struct ns1__getLinkInfoResponse { char *out 0; };
//gsoap ns1 service method-action: getLinkInfo ""
int ns1__getLinkInfo(char *in0, struct ns1__getLinkInfoResponse &result);

struct ns1__getObjectNoResponse { char *out 0; };
//gsoap ns1 service method-action: getObjectNo ""
int ns1__getObjectNo(char *in0, struct ns1__getObjectNoResponse &result);

struct ns1__getSelfServiceInfoResponse { ns2__AppSurveyInfo *out 0; };
//gsoap ns1 service method-action: getSelfServiceInfo ""
int ns1__getSelfServiceInfo(char *in0, struct ns1__getSelfServiceInfoResponse &result);

struct ns1__getSpeedConfigListResponse { char *out 0; };
//gsoap ns1 service method-action: getSpeedConfigList ""
int ns1__getSpeedConfigList(char *in0, struct ns1__getSpeedConfigListResponse &result);

struct ns1__getStatDayUserNumResponse { char *out 0; };
//gsoap ns1 service method-action: getStatDayUserNum ""
int ns1__getStatDayUserNum(char *in0, struct ns1__getStatDayUserNumResponse &result);

struct ns1__getTestVideoConfigListResponse { char *out 0; };
//gsoap ns1 service method-action: getTestVideoConfigList ""
int ns1__getTestVideoConfigList(struct ns1__getTestVideoConfigListResponse &result);

struct ns1__getUserAgreementExpiresResponse { char *out 0; };
//gsoap ns1 service method-action: getUserAgreementExpires ""
int ns1__getUserAgreementExpires(char *in0, struct ns1__getUserAgreementExpiresResponse &result);

struct ns1__getUserBalanceResponse { char *out 0; };
//gsoap ns1 service method-action: getUserBalance ""
int ns1__getUserBalance(char *in0, struct ns1__getUserBalanceResponse &result);

struct ns1__getUserMoneyGainResponse { char *out 0; };
//gsoap ns1 service method-action: getUserMoneyGain ""
int ns1__getUserMoneyGain(char *in0, struct ns1__getUserMoneyGainResponse &result);

struct ns1__getUserNameAndWorkListNumResponse { char *out 0; };
//gsoap ns1 service method-action: getUserNameAndWorkListNum ""
int ns1__getUserNameAndWorkListNum(char *in0, struct ns1__getUserNameAndWorkListNumResponse &result);

struct ns1__getUserRemainingSumResponse { char *out 0; };
//gsoap ns1 service method-action: getUserRemainingSum ""
int ns1__getUserRemainingSum(char *in0, struct ns1__getUserRemainingSumResponse &result);

struct ns1__InfoPushResponse { char *out 0; };
//gsoap ns1 service method-action: InfoPush ""
int ns1__InfoPush(char *in0, struct ns1__InfoPushResponse &result);

struct ns1__notSendAccServletResponse { char *out 0; };
//gsoap ns1 service method-action: notSendAccServlet ""
int ns1__notSendAccServlet(char *in0, struct ns1__notSendAccServletResponse &result);

struct ns1__selectSpeedResultResponse { char *out 0; };
//gsoap ns1 service method-action: selectSpeedResult ""
int ns1__selectSpeedResult(char *in0, struct ns1__selectSpeedResultResponse &result);

struct ns1__sendAccServletResponse { char *out 0; };
//gsoap ns1 service method-action: sendAccServlet ""
int ns1__sendAccServlet(char *in0, struct ns1__sendAccServletResponse &result);

struct ns1__sendSurveyServletResponse { char *out 0; };
//gsoap ns1 service method-action: sendSurveyServlet ""
int ns1__sendSurveyServlet(char *in0, struct ns1__sendSurveyServletResponse &result);

struct ns1__setClientFunctionUsageResponse { bool *out 0; };
//gsoap ns1 service method-action: setClientFunctionUsage ""
int ns1__setClientFunctionUsage(char *in0, struct ns1__setClientFunctionUsageResponse &result);

struct ns1__setDownSpeedAnalyseResponse { bool *out 0; };
//gsoap ns1 service method-action: setDownSpeedAnalyse ""
int ns1__setDownSpeedAnalyse(char *in0, struct ns1__setDownSpeedAnalyseResponse &result);

struct ns1__setErrorHistoryResponse { char *out 0; };
//gsoap ns1 service method-action: setErrorHistory ""
int ns1__setErrorHistory(char *in0, struct ns1__setErrorHistoryResponse &result);

struct ns1__setErrorITVResponse { char *out 0; };
//gsoap ns1 service method-action: setErrorITV ""
int ns1__setErrorITV(char *in0, struct ns1__setErrorITVResponse &result);

struct ns1__setHttpDeepInfoResponse { bool *out 0; };
//gsoap ns1 service method-action: setHttpDeepInfo ""
int ns1__setHttpDeepInfo(char *in0, struct ns1__setHttpDeepInfoResponse &result);

struct ns1__setHttpInfoResponse { bool *out 0; };
//gsoap ns1 service method-action: setHttpInfo ""
int ns1__setHttpInfo(char *in0, struct ns1__setHttpInfoResponse &result);

struct ns1__setSpeedbgInfoResponse { bool *out 0; };
//gsoap ns1 service method-action: setSpeedbgInfo ""
int ns1__setSpeedbgInfo(char *in0, struct ns1__setSpeedbgInfoResponse &result);

struct ns1__setSpeedInfoResponse { bool *out 0; };
//gsoap ns1 service method-action: setSpeedInfo ""
int ns1__setSpeedInfo(char *in0, struct ns1__setSpeedInfoResponse &result);

struct ns1__setUseInfoResponse { bool *out 0; };
//gsoap ns1 service method-action: setUseInfo ""
int ns1__setUseInfo(char *in0, struct ns1__setUseInfoResponse &result);

struct ns1__setVPDNUsageResponse { bool *out 0; };
//gsoap ns1 service method-action: setVPDNUsage ""
int ns1__setVPDNUsage(char *in0, struct ns1__setVPDNUsageResponse &result);

struct ns1__setWitespeedSlowResponse { char *out 0; };
//gsoap ns1 service method-action: setWitespeedSlow ""
int ns1__setWitespeedSlow(char *in0, struct ns1__setWitespeedSlowResponse &result);

struct ns1__testSurveyInterfaceResponse { char *out 0; };
//gsoap ns1 service method-action: testSurveyInterface ""
int ns1__testSurveyInterface(char *in0, struct ns1__testSurveyInterfaceResponse &result);

struct ns1__updateSpeedInfoResponse { char *out 0; };
//gsoap ns1 service method-action: updateSpeedInfo ""
int ns1__updateSpeedInfo(struct ns1__updateSpeedInfoResponse &result);

struct ns1__upFinishResponse { char *out 0; };
//gsoap ns1 service method-action: upFinish ""
int ns1__upFinish(char *in0, struct ns1__upFinishResponse &result);
