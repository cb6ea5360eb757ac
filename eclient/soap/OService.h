// Service description of the online-service web service, written for
// soapcpp2. SOAP 1.1, document/literal wrapped: every operation element
// holds at most one ns1:in0 string, every answer element at most one ns1:out.

//gsoap ns1 schema namespace: http://online.kelv.pelmo.com
//gsoap ns1 schema form: qualified

//gsoap ns1 service name: OService
//gsoap ns1 service type: OServicePortType
//gsoap ns1 service port: http://127.0.0.1:8080/KelvCC/BService.ws
//gsoap ns1 service namespace: http://online.kelv.pelmo.com
//gsoap ns1 service style: document
//gsoap ns1 service encoding: literal

struct ns1__setUserOnlineLengthResponse { bool *out 0; };
//gsoap ns1 service method-action: setUserOnlineLength ""
int ns1__setUserOnlineLength(char *in0, struct ns1__setUserOnlineLengthResponse &result);

struct ns1__getUserAttributionResponse { char *out 0; };
//gsoap ns1 service method-action: getUserAttribution ""
int ns1__getUserAttribution(char *in0, struct ns1__getUserAttributionResponse &result);

struct ns1__getOwnServiceResponse { char *out 0; };
//gsoap ns1 service method-action: getOwnService ""
int ns1__getOwnService(char *in0, struct ns1__getOwnServiceResponse &result);

struct ns1__getServiceListResponse { char *out 0; };
//gsoap ns1 service method-action: getServiceList ""
int ns1__getServiceList(struct ns1__getServiceListResponse &result);

struct ns1__setBugLogResponse { bool *out 0; };
//gsoap ns1 service method-action: setBugLog ""
int ns1__setBugLog(char *in0, struct ns1__setBugLogResponse &result);

struct ns1__getCurrentAccountResponse { char *out 0; };
//gsoap ns1 service method-action: getCurrentAccount ""
int ns1__getCurrentAccount(struct ns1__getCurrentAccountResponse &result);

struct ns1__setErrorHistoryResponse { char *out 0; };
//gsoap ns1 service method-action: setErrorHistory ""
int ns1__setErrorHistory(char *in0, struct ns1__setErrorHistoryResponse &result);
