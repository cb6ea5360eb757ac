# Build-time fix of the generated soap_ignore_element().
#
# With SOAP_XML_IGNORENS the generated test for SOAP-ENV elements matches
# every element regardless of namespace, so an unknown sibling or a SOAP
# Header entry is rejected as SOAP_TAG_MISMATCH. The fix matches that one
# tag with namespaces honoured. A gSOAP release that generates other code
# must fail the build here rather than silently lose the fix.
#   cmake -DFILE=soapC.cpp -P PatchIgnoreElement.cmake

set(pattern [[|| !soap_match_tag(soap, soap->tag, "SOAP-ENV:"))]])
set(fixed [[|| !zeva_match_envelope_tag(soap))]])
set(helper [[
/* Matches SOAP-ENV: with namespaces honoured, even under SOAP_XML_IGNORENS. */
static int zeva_match_envelope_tag(struct soap *soap)
{	soap_mode mode = soap->mode;
	int r;
	soap->mode &= ~(soap_mode)SOAP_XML_IGNORENS;
	r = soap_match_tag(soap, soap->tag, "SOAP-ENV:");
	soap->mode = mode;
	return r;
}

SOAP_FMAC3 int SOAP_FMAC4 soap_ignore_element(struct soap *soap)
]])
file(READ ${FILE} text)
string(FIND "${text}" "${pattern}" at)
if(at EQUAL -1)
  string(FIND "${text}" "zeva_match_envelope_tag" done)
  if(NOT done EQUAL -1)
    return()
  endif()
  message(FATAL_ERROR "${FILE}: soap_ignore_element() no longer holds the pattern this build patches; "
                      "check the SOAP_XML_IGNORENS handling of this gSOAP release")
endif()
set(head "SOAP_FMAC3 int SOAP_FMAC4 soap_ignore_element(struct soap *soap)\n")
string(FIND "${text}" "${head}" headAt)
if(headAt EQUAL -1)
  message(FATAL_ERROR "${FILE}: soap_ignore_element() definition not found")
endif()
string(REPLACE "${pattern}" "${fixed}" text "${text}")
string(REPLACE "${head}" "${helper}" text "${text}")
file(WRITE ${FILE} "${text}")
